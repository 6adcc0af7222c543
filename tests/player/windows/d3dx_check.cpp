// A Windows test program for the support library d3dx9_42.dll: loads it the
// way the player does (LoadLibrary, exports by name), reads picture
// information, creates textures and draws a sprite on a Direct3D 9 device,
// and writes what it saw to a text file, one fact a line:
//   info NAME WIDTH HEIGHT FORMAT FILEFORMAT   D3DXGetImageInfoFromFileInMemory
//   baddata FAILED|OK                          the same on bytes that are no picture
//   device OK|FAILED hr                        a hardware device on a hidden window
//   texture NAME WIDTH HEIGHT                  top level of a texture
//   pixel X Y R G B                            the back buffer after the sprite
//
//   d3dx_check.exe D3DX.dll PICTURE.png PICTURE.jpg OUT.txt
#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using GetInfoFn = HRESULT(WINAPI*)(const void*, UINT, D3DXIMAGE_INFO*);
using CreateTexExFn = HRESULT(WINAPI*)(IDirect3DDevice9*, const void*, UINT, UINT, UINT, UINT,
                                       DWORD, D3DFORMAT, D3DPOOL, DWORD, DWORD, D3DCOLOR,
                                       D3DXIMAGE_INFO*, PALETTEENTRY*, IDirect3DTexture9**);
using CreateSpriteFn = HRESULT(WINAPI*)(IDirect3DDevice9*, ID3DXSprite**);

std::vector<char> ReadFile(const char* path) {
    std::vector<char> out;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return out;
}

std::string out;
void Line(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    out += buf;
    out += "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5)
        return 2;
    HMODULE lib = LoadLibraryA(argv[1]);
    if (!lib)
        return 3;
    auto getInfo = reinterpret_cast<GetInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(lib, "D3DXGetImageInfoFromFileInMemory")));
    auto createTex = reinterpret_cast<CreateTexExFn>(
        reinterpret_cast<void*>(GetProcAddress(lib, "D3DXCreateTextureFromFileInMemoryEx")));
    auto createSprite = reinterpret_cast<CreateSpriteFn>(
        reinterpret_cast<void*>(GetProcAddress(lib, "D3DXCreateSprite")));
    if (!getInfo || !createTex || !createSprite)
        return 4;

    std::vector<char> png = ReadFile(argv[2]), jpg = ReadFile(argv[3]);
    const struct {
        const char* name;
        const std::vector<char>* bytes;
    } pictures[] = {{"png", &png}, {"jpg", &jpg}};
    for (const auto& p : pictures) {
        D3DXIMAGE_INFO info{};
        HRESULT hr = getInfo(p.bytes->data(), static_cast<UINT>(p.bytes->size()), &info);
        if (FAILED(hr))
            Line("info %s FAILED", p.name);
        else
            Line("info %s %u %u %d %d", p.name, info.Width, info.Height, info.Format,
                 info.ImageFileFormat);
    }
    const char junk[] = "this is not a picture at all";
    D3DXIMAGE_INFO junkInfo{};
    Line("baddata %s", FAILED(getInfo(junk, sizeof junk, &junkInfo)) ? "FAILED" : "OK");

    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "d3dx_check";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("d3dx_check", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                              wc.hInstance, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* dev = nullptr;
    HRESULT hr = E_FAIL;
    if (d3d && hwnd) {
        D3DPRESENT_PARAMETERS pp{};
        pp.Windowed = TRUE;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferCount = 1;
        pp.hDeviceWindow = hwnd;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hwnd,
                               D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
    }
    Line("device %s 0x%08lx", SUCCEEDED(hr) ? "OK" : "FAILED", static_cast<unsigned long>(hr));
    if (dev) {
        IDirect3DTexture9* exact = nullptr;
        IDirect3DTexture9* pow2 = nullptr;
        D3DXIMAGE_INFO src{};
        HRESULT h1 = createTex(dev, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT_NONPOW2,
                               D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                               D3DX_FILTER_NONE, D3DX_DEFAULT, 0, &src, nullptr, &exact);
        HRESULT h2 = createTex(dev, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT,
                               D3DX_DEFAULT, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                               D3DX_FILTER_NONE, D3DX_DEFAULT, 0, nullptr, nullptr, &pow2);
        D3DSURFACE_DESC d{};
        if (SUCCEEDED(h1) && SUCCEEDED(exact->GetLevelDesc(0, &d)))
            Line("texture exact %u %u", d.Width, d.Height);
        if (SUCCEEDED(h2) && SUCCEEDED(pow2->GetLevelDesc(0, &d)))
            Line("texture pow2 %u %u", d.Width, d.Height);
        ID3DXSprite* sprite = nullptr;
        if (SUCCEEDED(h1) && SUCCEEDED(createSprite(dev, &sprite))) {
            dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
            dev->BeginScene();
            sprite->Begin(D3DXSPRITE_ALPHABLEND);
            // The whole picture at (8, 8) at half alpha, then its left half
            // scaled to twice its size at (0, 40) at full alpha.
            D3DXVECTOR3 at(8, 8, 0);
            sprite->Draw(exact, nullptr, nullptr, &at, D3DCOLOR_ARGB(128, 255, 255, 255));
            D3DXMATRIX scale(2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 40, 0, 1);
            sprite->SetTransform(&scale);
            RECT left{0, 0, static_cast<LONG>(src.Width / 2), static_cast<LONG>(src.Height)};
            sprite->Draw(exact, &left, nullptr, nullptr, 0xFFFFFFFF);
            sprite->End();
            dev->EndScene();
            IDirect3DSurface9* back = nullptr;
            IDirect3DSurface9* sys = nullptr;
            if (SUCCEEDED(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) &&
                SUCCEEDED(dev->CreateOffscreenPlainSurface(64, 64, D3DFMT_X8R8G8B8,
                                                           D3DPOOL_SYSTEMMEM, &sys, nullptr)) &&
                SUCCEEDED(dev->GetRenderTargetData(back, sys))) {
                D3DLOCKED_RECT lr;
                if (SUCCEEDED(sys->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
                    const int points[][2] = {{10, 10}, {4, 4}, {2, 45}, {30, 45}, {50, 45}};
                    for (const auto& pt : points) {
                        auto* row = reinterpret_cast<const DWORD*>(
                            static_cast<const BYTE*>(lr.pBits) + pt[1] * lr.Pitch);
                        DWORD c = row[pt[0]];
                        Line("pixel %d %d %lu %lu %lu", pt[0], pt[1], (c >> 16) & 0xFF,
                             (c >> 8) & 0xFF, c & 0xFF);
                    }
                    sys->UnlockRect();
                }
            }
            if (sys)
                sys->Release();
            if (back)
                back->Release();
            sprite->Release();
        }
        if (exact)
            exact->Release();
        if (pow2)
            pow2->Release();
        dev->Release();
    }
    if (d3d)
        d3d->Release();
    FILE* f = std::fopen(argv[4], "wb");
    if (!f)
        return 5;
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    return 0;
}
