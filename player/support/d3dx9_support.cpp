// d3dx9_42.dll: the Direct3D 9 support library the player loads for its
// Direct3D effects. It offers the part of the D3DX 9 interface the player
// uses:
//   D3DXGetImageInfoFromFileInMemory     size and format of an encoded picture
//   D3DXCreateTextureFromFileInMemory    a texture from an encoded picture
//   D3DXCreateTextureFromFileInMemoryEx  the same with size, format, pool,
//                                        filter and colour key
//   D3DXCreateSprite                     a sprite batch drawing textured
//                                        rectangles in screen space, scaled,
//                                        cut to a source rectangle and tinted
//                                        (constant alpha)
// Pictures are decoded by the Windows Imaging Component (BMP, JPEG, PNG,
// GIF, TIFF). Textures are 32-bit (A8R8G8B8 or X8R8G8B8).
#include <d3d9.h>
#include <d3dx9.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#define SUPPORT_API extern "C" __declspec(dllexport)

namespace {

// A COM pointer that releases what it holds.
template <class T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_)
            p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** out() { return &p_; }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

struct Picture {
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;  // the source's own format
    D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
    bool hasAlpha = false;
    std::vector<uint32_t> pixels;  // top-down, 0xAARRGGBB
};

// COM for the calling thread, whatever apartment the caller chose.
class ComScope {
  public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }

  private:
    HRESULT hr_;
};

D3DXIMAGE_FILEFORMAT FileFormatOf(const GUID& container) {
    if (container == GUID_ContainerFormatJpeg)
        return D3DXIFF_JPG;
    if (container == GUID_ContainerFormatPng)
        return D3DXIFF_PNG;
    if (container == GUID_ContainerFormatBmp)
        return D3DXIFF_BMP;
    // GIF and TIFF have no D3DX file format of their own; they are reported
    // as BMP, the neutral format.
    return D3DXIFF_BMP;
}

void FormatOf(const WICPixelFormatGUID& pf, Picture& pic) {
    if (pf == GUID_WICPixelFormat32bppBGRA || pf == GUID_WICPixelFormat32bppPBGRA ||
        pf == GUID_WICPixelFormat32bppRGBA || pf == GUID_WICPixelFormat64bppRGBA) {
        pic.format = D3DFMT_A8R8G8B8;
        pic.hasAlpha = true;
    } else if (pf == GUID_WICPixelFormat24bppBGR || pf == GUID_WICPixelFormat24bppRGB) {
        pic.format = D3DFMT_R8G8B8;
    } else if (pf == GUID_WICPixelFormat8bppGray) {
        pic.format = D3DFMT_L8;
    } else if (pf == GUID_WICPixelFormat8bppIndexed || pf == GUID_WICPixelFormat4bppIndexed ||
               pf == GUID_WICPixelFormat2bppIndexed || pf == GUID_WICPixelFormat1bppIndexed) {
        pic.format = D3DFMT_P8;
        pic.hasAlpha = true;  // a palette may hold transparent entries
    } else if (pf == GUID_WICPixelFormat16bppBGR565) {
        pic.format = D3DFMT_R5G6B5;
    } else {
        pic.format = D3DFMT_X8R8G8B8;
    }
}

// Decodes an encoded picture; with wantPixels false only its size and
// format are read.
HRESULT DecodePicture(const void* data, UINT size, bool wantPixels, Picture& pic) {
    if (!data || size == 0)
        return D3DERR_INVALIDCALL;
    ComScope com;
    Com<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()));
    if (FAILED(hr))
        return D3DERR_NOTAVAILABLE;
    Com<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())))
        return E_OUTOFMEMORY;
    if (FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size)))
        return D3DXERR_INVALIDDATA;
    Com<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out())))
        return D3DXERR_INVALIDDATA;
    GUID container{};
    decoder->GetContainerFormat(&container);
    pic.fileFormat = FileFormatOf(container);
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out())))
        return D3DXERR_INVALIDDATA;
    if (FAILED(frame->GetSize(&pic.width, &pic.height)) || pic.width == 0 || pic.height == 0)
        return D3DXERR_INVALIDDATA;
    WICPixelFormatGUID pf{};
    frame->GetPixelFormat(&pf);
    FormatOf(pf, pic);
    if (!wantPixels)
        return D3D_OK;
    if (pic.width > 16384 || pic.height > 16384)
        return D3DXERR_INVALIDDATA;
    Com<IWICFormatConverter> conv;
    if (FAILED(factory->CreateFormatConverter(conv.out())) ||
        FAILED(conv->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return D3DXERR_INVALIDDATA;
    try {
        pic.pixels.resize(static_cast<size_t>(pic.width) * pic.height);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (FAILED(conv->CopyPixels(nullptr, pic.width * 4, static_cast<UINT>(pic.pixels.size() * 4),
                                reinterpret_cast<BYTE*>(pic.pixels.data()))))
        return D3DXERR_INVALIDDATA;
    return D3D_OK;
}

void FillInfo(const Picture& pic, D3DXIMAGE_INFO* info) {
    if (!info)
        return;
    info->Width = pic.width;
    info->Height = pic.height;
    info->Depth = 1;
    info->MipLevels = 1;
    info->Format = pic.format;
    info->ResourceType = D3DRTYPE_TEXTURE;
    info->ImageFileFormat = pic.fileFormat;
}

UINT NextPow2(UINT v) {
    UINT p = 1;
    while (p < v && p < 0x80000000u)
        p <<= 1;
    return p;
}

// The picture resampled to w x h. Filter type none copies without scaling
// (the rest stays transparent black), point takes the nearest pixel, every
// other filter averages the source pixels a target pixel covers.
std::vector<uint32_t> Resample(const Picture& pic, UINT w, UINT h, DWORD filter) {
    std::vector<uint32_t> out(static_cast<size_t>(w) * h, 0);
    const DWORD type = filter & 0xFF;
    if (type == D3DX_FILTER_NONE || (w == pic.width && h == pic.height)) {
        UINT cw = std::min(w, pic.width), ch = std::min(h, pic.height);
        for (UINT y = 0; y < ch; ++y)
            std::memcpy(&out[static_cast<size_t>(y) * w],
                        &pic.pixels[static_cast<size_t>(y) * pic.width], cw * 4);
        return out;
    }
    const double sx = static_cast<double>(pic.width) / w, sy = static_cast<double>(pic.height) / h;
    for (UINT y = 0; y < h; ++y) {
        for (UINT x = 0; x < w; ++x) {
            if (type == D3DX_FILTER_POINT) {
                UINT px = std::min(pic.width - 1, static_cast<UINT>((x + 0.5) * sx));
                UINT py = std::min(pic.height - 1, static_cast<UINT>((y + 0.5) * sy));
                out[static_cast<size_t>(y) * w + x] =
                    pic.pixels[static_cast<size_t>(py) * pic.width + px];
                continue;
            }
            UINT x0 = static_cast<UINT>(x * sx),
                 x1 = std::max(x0 + 1, static_cast<UINT>((x + 1) * sx));
            UINT y0 = static_cast<UINT>(y * sy),
                 y1 = std::max(y0 + 1, static_cast<UINT>((y + 1) * sy));
            x1 = std::min(x1, pic.width);
            y1 = std::min(y1, pic.height);
            uint64_t acc[4] = {0, 0, 0, 0};
            for (UINT yy = y0; yy < y1; ++yy)
                for (UINT xx = x0; xx < x1; ++xx) {
                    uint32_t p = pic.pixels[static_cast<size_t>(yy) * pic.width + xx];
                    for (int c = 0; c < 4; ++c)
                        acc[c] += (p >> (8 * c)) & 0xFF;
                }
            uint64_t n = static_cast<uint64_t>(x1 - x0) * (y1 - y0);
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c)
                v |= static_cast<uint32_t>((acc[c] + n / 2) / n) << (8 * c);
            out[static_cast<size_t>(y) * w + x] = v;
        }
    }
    return out;
}

// Half-size box reduction for the next mip level.
std::vector<uint32_t> Halve(const std::vector<uint32_t>& src, UINT w, UINT h, UINT nw, UINT nh) {
    std::vector<uint32_t> out(static_cast<size_t>(nw) * nh);
    for (UINT y = 0; y < nh; ++y)
        for (UINT x = 0; x < nw; ++x) {
            uint32_t acc[4] = {0, 0, 0, 0};
            UINT n = 0;
            for (UINT dy = 0; dy < 2; ++dy)
                for (UINT dx = 0; dx < 2; ++dx) {
                    UINT sx = std::min(w - 1, x * 2 + dx), sy = std::min(h - 1, y * 2 + dy);
                    uint32_t p = src[static_cast<size_t>(sy) * w + sx];
                    for (int c = 0; c < 4; ++c)
                        acc[c] += (p >> (8 * c)) & 0xFF;
                    ++n;
                }
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c)
                v |= ((acc[c] + n / 2) / n) << (8 * c);
            out[static_cast<size_t>(y) * nw + x] = v;
        }
    return out;
}

HRESULT FillLevel(IDirect3DTexture9* tex, UINT level, const std::vector<uint32_t>& px, UINT w,
                  UINT h, bool opaque) {
    D3DLOCKED_RECT lr;
    HRESULT hr = tex->LockRect(level, &lr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    for (UINT y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(lr.pBits) +
                                                static_cast<size_t>(y) * lr.Pitch);
        const uint32_t* src = &px[static_cast<size_t>(y) * w];
        if (opaque)
            for (UINT x = 0; x < w; ++x)
                row[x] = src[x] | 0xFF000000u;
        else
            std::memcpy(row, src, w * 4);
    }
    return tex->UnlockRect(level);
}

}  // namespace

SUPPORT_API HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(const void* data, UINT size,
                                                            D3DXIMAGE_INFO* info) {
    if (!info)
        return D3DERR_INVALIDCALL;
    Picture pic;
    HRESULT hr = DecodePicture(data, size, false, pic);
    if (FAILED(hr))
        return hr;
    FillInfo(pic, info);
    return D3D_OK;
}

SUPPORT_API HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(
    IDirect3DDevice9* device, const void* data, UINT size, UINT width, UINT height, UINT mipLevels,
    DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter, D3DCOLOR colorKey,
    D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette, IDirect3DTexture9** texture) {
    (void)mipFilter;
    (void)palette;
    if (!device || !texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    Picture pic;
    HRESULT hr = DecodePicture(data, size, true, pic);
    if (FAILED(hr))
        return hr;

    D3DCAPS9 caps{};
    bool pow2 = false;
    UINT maxW = 4096, maxH = 4096;
    if (SUCCEEDED(device->GetDeviceCaps(&caps))) {
        pow2 = (caps.TextureCaps & D3DPTEXTURECAPS_POW2) &&
               !(caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
        if (caps.MaxTextureWidth)
            maxW = caps.MaxTextureWidth;
        if (caps.MaxTextureHeight)
            maxH = caps.MaxTextureHeight;
    }
    auto pick = [&](UINT asked, UINT own) {
        UINT v;
        if (asked == 0 || asked == D3DX_DEFAULT)
            v = NextPow2(own);
        else if (asked == D3DX_DEFAULT_NONPOW2 || asked == D3DX_FROM_FILE)
            v = own;
        else
            v = asked;
        if (pow2)
            v = NextPow2(v);
        return v;
    };
    UINT w = pick(width, pic.width), h = pick(height, pic.height);
    while (w > maxW)
        w = pow2 ? w / 2 : maxW;
    while (h > maxH)
        h = pow2 ? h / 2 : maxH;

    if (format == D3DFMT_UNKNOWN || format == static_cast<D3DFORMAT>(D3DX_FROM_FILE))
        format = pic.hasAlpha || colorKey != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)
        format = D3DFMT_A8R8G8B8;

    UINT levels = mipLevels;
    if (levels == 0 || levels == D3DX_DEFAULT || levels == D3DX_FROM_FILE) {
        levels = 1;
        if (mipLevels != D3DX_FROM_FILE)
            for (UINT s = std::max(w, h); s > 1; s /= 2)
                ++levels;
    }

    if (colorKey != 0)
        for (auto& p : pic.pixels)
            if (p == colorKey)
                p = 0;

    Com<IDirect3DTexture9> tex;
    hr = device->CreateTexture(w, h, levels, usage, format, pool, tex.out(), nullptr);
    if (FAILED(hr))
        return hr;
    levels = tex->GetLevelCount();
    std::vector<uint32_t> px =
        Resample(pic, w, h, filter == D3DX_DEFAULT ? D3DX_FILTER_BOX : filter);
    const bool opaque = format == D3DFMT_X8R8G8B8;
    UINT lw = w, lh = h;
    for (UINT level = 0; level < levels; ++level) {
        hr = FillLevel(tex.get(), level, px, lw, lh, opaque);
        if (FAILED(hr))
            return hr;
        if (level + 1 < levels) {
            UINT nw = std::max(1u, lw / 2), nh = std::max(1u, lh / 2);
            px = Halve(px, lw, lh, nw, nh);
            lw = nw;
            lh = nh;
        }
    }
    FillInfo(pic, srcInfo);
    *texture = tex.get();
    (*texture)->AddRef();
    return D3D_OK;
}

SUPPORT_API HRESULT WINAPI D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device,
                                                             const void* data, UINT size,
                                                             IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromFileInMemoryEx(
        device, data, size, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN,
        D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, texture);
}

namespace {

struct SpriteVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
// IID_ID3DXSprite (the import libraries do not carry it).
constexpr GUID kIidSprite = {
    0xba0b762d, 0x7d28, 0x43ec, {0xb9, 0xdc, 0x2f, 0x84, 0x44, 0x3b, 0x06, 0x14}};
constexpr DWORD kSpriteFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct QueuedSprite {
    IDirect3DTexture9* texture;  // referenced while queued
    SpriteVertex v[4];
};

// COM objects are destroyed by Release, never through a pointer to the
// interface, so the interface's non-virtual destructor is as intended.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Screen-space sprite batch: Draw queues a textured rectangle, Flush and End
// draw the queue in order with the sprite transform applied.
class Sprite final : public ID3DXSprite {
  public:
    explicit Sprite(IDirect3DDevice9* device) : device_(device) {
        device_->AddRef();
        Identity();
    }
    ~Sprite() {
        Clear();
        if (state_)
            state_->Release();
        device_->Release();
    }
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == kIidSprite) {
            *object = static_cast<ID3DXSprite*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    STDMETHOD_(ULONG, Release)() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHOD(GetDevice)(IDirect3DDevice9** device) override {
        if (!device)
            return D3DERR_INVALIDCALL;
        *device = device_;
        device_->AddRef();
        return D3D_OK;
    }
    STDMETHOD(GetTransform)(D3DXMATRIX* m) override {
        if (!m)
            return D3DERR_INVALIDCALL;
        *m = transform_;
        return D3D_OK;
    }
    STDMETHOD(SetTransform)(const D3DXMATRIX* m) override {
        if (!m)
            return D3DERR_INVALIDCALL;
        transform_ = *m;
        return D3D_OK;
    }
    // Object-space drawing is not offered: sprites are always drawn in
    // screen space, as the player uses them.
    STDMETHOD(SetWorldViewRH)(const D3DXMATRIX*, const D3DXMATRIX*) override { return D3D_OK; }
    STDMETHOD(SetWorldViewLH)(const D3DXMATRIX*, const D3DXMATRIX*) override { return D3D_OK; }

    STDMETHOD(Begin)(DWORD flags) override {
        if (begun_)
            return D3DERR_INVALIDCALL;
        flags_ = flags;
        begun_ = true;
        if (!(flags_ & D3DXSPRITE_DONOTSAVESTATE)) {
            if (state_) {
                state_->Release();
                state_ = nullptr;
            }
            if (SUCCEEDED(device_->CreateStateBlock(D3DSBT_ALL, &state_)))
                state_->Capture();
        }
        return D3D_OK;
    }
    STDMETHOD(Draw)
    (IDirect3DTexture9* texture, const RECT* rect, const D3DXVECTOR3* center,
     const D3DXVECTOR3* position, D3DCOLOR color) override {
        if (!begun_ || !texture)
            return D3DERR_INVALIDCALL;
        D3DSURFACE_DESC desc;
        if (FAILED(texture->GetLevelDesc(0, &desc)) || desc.Width == 0 || desc.Height == 0)
            return D3DERR_INVALIDCALL;
        RECT r = rect ? *rect
                      : RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
        float cx = center ? center->x : 0.0f, cy = center ? center->y : 0.0f;
        float px = position ? position->x : 0.0f, py = position ? position->y : 0.0f;
        float w = static_cast<float>(r.right - r.left), h = static_cast<float>(r.bottom - r.top);
        const float corners[4][2] = {{0, 0}, {w, 0}, {0, h}, {w, h}};
        const float tw = static_cast<float>(desc.Width), th = static_cast<float>(desc.Height);
        QueuedSprite q;
        q.texture = texture;
        for (int i = 0; i < 4; ++i) {
            float x = corners[i][0] - cx + px, y = corners[i][1] - cy + py;
            SpriteVertex& v = q.v[i];
            v.x = x * transform_._11 + y * transform_._21 + transform_._41 - 0.5f;
            v.y = x * transform_._12 + y * transform_._22 + transform_._42 - 0.5f;
            v.z = 0.0f;
            v.rhw = 1.0f;
            v.color = color;
            v.u = (static_cast<float>(r.left) + corners[i][0]) / tw;
            v.v = (static_cast<float>(r.top) + corners[i][1]) / th;
        }
        try {
            queue_.push_back(q);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        texture->AddRef();
        return D3D_OK;
    }
    STDMETHOD(Flush)() override {
        if (!begun_)
            return D3DERR_INVALIDCALL;
        if (queue_.empty())
            return D3D_OK;
        if (!(flags_ & D3DXSPRITE_DONOTMODIFY_RENDERSTATE))
            SetStates();
        HRESULT result = D3D_OK;
        for (auto& q : queue_) {
            device_->SetTexture(0, q.texture);
            HRESULT hr =
                device_->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q.v, sizeof(SpriteVertex));
            if (FAILED(hr))
                result = hr;
        }
        device_->SetTexture(0, nullptr);
        Clear();
        return result;
    }
    STDMETHOD(End)() override {
        if (!begun_)
            return D3DERR_INVALIDCALL;
        HRESULT hr = Flush();
        if (state_) {
            state_->Apply();
            state_->Release();
            state_ = nullptr;
        }
        begun_ = false;
        return hr;
    }
    STDMETHOD(OnLostDevice)() override {
        // The queue and the saved state refer to the device: drop them.
        Clear();
        if (state_) {
            state_->Release();
            state_ = nullptr;
        }
        begun_ = false;
        return D3D_OK;
    }
    STDMETHOD(OnResetDevice)() override { return D3D_OK; }

  private:
    void Identity() { transform_ = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1); }
    void Clear() {
        for (auto& q : queue_)
            q.texture->Release();
        queue_.clear();
    }
    void SetStates() {
        const bool blend = (flags_ & D3DXSPRITE_ALPHABLEND) != 0;
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, blend);
        device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device_->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
        device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device_->SetVertexShader(nullptr);
        device_->SetPixelShader(nullptr);
        device_->SetFVF(kSpriteFvf);
    }

    LONG refs_ = 1;
    IDirect3DDevice9* device_;
    IDirect3DStateBlock9* state_ = nullptr;
    D3DXMATRIX transform_;
    DWORD flags_ = 0;
    bool begun_ = false;
    std::vector<QueuedSprite> queue_;
};

#pragma GCC diagnostic pop

}  // namespace

SUPPORT_API HRESULT WINAPI D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
    if (!device || !sprite)
        return D3DERR_INVALIDCALL;
    *sprite = new (std::nothrow) Sprite(device);
    return *sprite ? D3D_OK : E_OUTOFMEMORY;
}
