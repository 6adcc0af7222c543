#include "player/windows/Slideshow.h"

#include <objbase.h>
#include <objidl.h>
// GDI+ needs the IStream declarations above it.
#include <gdiplus.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "base/ByteReader.h"
#include "project/SettingsKeys.h"
#include "render/Placement.h"

namespace velmora::player {

namespace {

namespace gp = Gdiplus;

// 0x00BBGGRR colour of the settings as an opaque GDI+ colour.
gp::Color ToColor(int32_t bgr) {
    uint32_t c = static_cast<uint32_t>(bgr);
    return gp::Color(255, static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                     static_cast<BYTE>((c >> 16) & 0xFF));
}

// An encoded picture held in memory, decoded by GDI+.
std::unique_ptr<gp::Bitmap> Decode(const std::vector<uint8_t>& bytes) {
    if (bytes.empty())
        return nullptr;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem)
        return nullptr;
    void* p = GlobalLock(mem);
    if (!p) {
        GlobalFree(mem);
        return nullptr;
    }
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        GlobalFree(mem);
        return nullptr;
    }
    std::unique_ptr<gp::Bitmap> bmp(gp::Bitmap::FromStream(stream));
    if (bmp && bmp->GetLastStatus() != gp::Ok)
        bmp.reset();
    // The bitmap keeps its own reference to the stream while it lives.
    stream->Release();
    return bmp;
}

// A GDI+ bitmap over the pixels of a Frame (no copy).
class FrameBitmap {
  public:
    explicit FrameBitmap(Frame& f)
        : bmp_(f.width, f.height, f.width * 4, PixelFormat32bppARGB,
               reinterpret_cast<BYTE*>(f.pixels.data())) {}
    gp::Bitmap& bitmap() { return bmp_; }

  private:
    gp::Bitmap bmp_;
};

void DrawPlaced(gp::Graphics& g, gp::Bitmap& pic, int mode, int W, int H, int x, int y,
                std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    double r1 = unit(random), r2 = unit(random);
    const int w = static_cast<int>(pic.GetWidth()), h = static_cast<int>(pic.GetHeight());
    const render::ModePlacement place = render::PlaceInMode(mode, W, H, w, h, x, y);
    render::PlacedRect r = place.rect;
    switch (place.kind) {
        case render::PlacementKind::None:
            return;
        case render::PlacementKind::Tiled: {
            gp::TextureBrush brush(&pic, gp::WrapModeTile);
            g.FillRectangle(&brush, 0, 0, W, H);
            return;
        }
        case render::PlacementKind::RandomSpot:
            r = render::RandomSpot(W, H, w, h, r1, r2);
            break;
        case render::PlacementKind::Rect:
            break;
    }
    g.DrawImage(&pic, gp::RectF(static_cast<gp::REAL>(r.x), static_cast<gp::REAL>(r.y),
                                static_cast<gp::REAL>(r.w), static_cast<gp::REAL>(r.h)));
}

}  // namespace

SlideComposer::SlideComposer(PlayerPackage& pkg, int width, int height)
    : pkg_(pkg),
      width_(width),
      height_(height),
      slides_(PlanSlides(pkg.settings())),
      random_(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count())) {
    photoMode_ = PackageLong(pkg.settings(), keys::ImgDrawScale);
    ComposeBackground();
}

void SlideComposer::ComposeBackground() {
    const PropertyBag& bag = pkg_.settings();
    background_.width = width_;
    background_.height = height_;
    background_.pixels.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_),
                              0xFF000000u);
    FrameBitmap target(background_);
    gp::Graphics g(&target.bitmap());
    auto mode = ParseBackgroundMode(PackageText(bag, keys::BackGroundSet));
    if (!mode)
        return;
    switch (*mode) {
        case BackgroundMode::Solid: {
            gp::SolidBrush brush(ToColor(PackageLong(bag, keys::SolidColor)));
            g.FillRectangle(&brush, 0, 0, width_, height_);
            break;
        }
        case BackgroundMode::Gradient: {
            int gm = PackageLong(bag, keys::BackgroundGradientMode);
            if (gm >= 0 && gm <= 3) {
                gp::LinearGradientBrush brush(gp::Rect(0, 0, width_, height_),
                                              ToColor(PackageLong(bag, keys::BeginColor)),
                                              ToColor(PackageLong(bag, keys::EndColor)),
                                              static_cast<gp::LinearGradientMode>(gm));
                brush.SetWrapMode(gp::WrapModeTileFlipX);
                g.FillRectangle(&brush, 0, 0, width_, height_);
            }
            break;
        }
        case BackgroundMode::Picture:
            if (auto bytes = pkg_.FileBytes(KeyName(keys::BackGroundPicture))) {
                if (auto pic = Decode(*bytes))
                    DrawPlaced(g, *pic, PackageLong(bag, keys::BackgroundDrawScale), width_,
                               height_, 0, 0, random_);
            }
            break;
    }
}

void SlideComposer::Compose(size_t i, Frame& frame) {
    frame = background_;
    if (i >= slides_.size())
        return;
    const Slide& s = slides_[i];
    auto bytes = pkg_.FileBytes(s.key);
    if (!bytes)
        return;
    auto pic = Decode(*bytes);
    if (!pic)
        return;
    FrameBitmap target(frame);
    gp::Graphics g(&target.bitmap());
    int x = photoMode_ == 1 ? s.posX : 0;
    int y = photoMode_ == 1 ? s.posY : 0;
    DrawPlaced(g, *pic, photoMode_, width_, height_, x, y, random_);
}

bool WriteBmp(const std::wstring& path, const Frame& frame) {
    const uint32_t stride = (static_cast<uint32_t>(frame.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = stride * static_cast<uint32_t>(frame.height);
    std::vector<uint8_t> out;
    out.reserve(54 + pixelBytes);
    PutU8(out, 'B');
    PutU8(out, 'M');
    PutU32(out, 54 + pixelBytes);
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(frame.width));
    PutU32(out, static_cast<uint32_t>(frame.height));
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, 0);
    PutU32(out, pixelBytes);
    PutU32(out, 2835);
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int row = frame.height - 1; row >= 0; --row) {
        const uint32_t* p = frame.pixels.data() + static_cast<size_t>(row) * frame.width;
        for (int x = 0; x < frame.width; ++x) {
            PutU8(out, static_cast<uint8_t>(p[x] & 0xFF));
            PutU8(out, static_cast<uint8_t>((p[x] >> 8) & 0xFF));
            PutU8(out, static_cast<uint8_t>((p[x] >> 16) & 0xFF));
        }
        for (uint32_t k = static_cast<uint32_t>(frame.width) * 3; k < stride; ++k)
            PutU8(out, 0);
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok = WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &put, nullptr) &&
              put == out.size();
    return CloseHandle(h) && ok;
}

namespace {

constexpr UINT_PTR kSlideTimer = 1;
constexpr wchar_t kWindowClass[] = L"VelmoraSlideshow";

// Posted after a slide is on screen: compose the next one while the current
// one stays, so that the cut comes on time.
constexpr UINT kPrepareNext = WM_APP + 1;

struct ShowState {
    SlideComposer* composer = nullptr;
    bool loop = false;
    size_t current = 0;
    Frame frame;
    Frame next;
    size_t nextIndex = SIZE_MAX;  // the slide held in next, SIZE_MAX when none
    BITMAPINFO info{};
};

// The slide after i, SIZE_MAX when the show ends after i.
size_t Following(const ShowState& st, size_t i) {
    size_t n = st.composer->slides().size();
    if (i + 1 < n)
        return i + 1;
    return st.loop ? 0 : SIZE_MAX;
}

UINT MillisecondsOf(double seconds) {
    double ms = seconds * 1000.0;
    if (ms < 1)
        return 1;
    if (ms > 0x7FFFFFFF)
        return 0x7FFFFFFF;
    return static_cast<UINT>(ms);
}

void Show(HWND hwnd, ShowState& st, size_t i) {
    st.current = i;
    if (st.nextIndex == i) {
        std::swap(st.frame, st.next);
        st.nextIndex = SIZE_MAX;
    } else {
        st.composer->Compose(i, st.frame);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    SetTimer(hwnd, kSlideTimer, MillisecondsOf(st.composer->slides()[i].seconds), nullptr);
    PostMessageW(hwnd, kPrepareNext, 0, 0);
}

LRESULT CALLBACK ShowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<ShowState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
            return 0;
        }
        case WM_TIMER:
            if (st && wp == kSlideTimer) {
                KillTimer(hwnd, kSlideTimer);
                size_t next = Following(*st, st->current);
                if (next == SIZE_MAX) {
                    DestroyWindow(hwnd);
                    return 0;
                }
                Show(hwnd, *st, next);
            }
            return 0;
        case kPrepareNext:
            if (st) {
                size_t next = Following(*st, st->current);
                if (next != SIZE_MAX && next != st->current && st->nextIndex != next) {
                    st->composer->Compose(next, st->next);
                    st->nextIndex = next;
                }
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (st && !st->frame.pixels.empty()) {
                SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(st->frame.width),
                                  static_cast<DWORD>(st->frame.height), 0, 0, 0,
                                  static_cast<UINT>(st->frame.height), st->frame.pixels.data(),
                                  &st->info, DIB_RGB_COLORS);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_KEYDOWN:
            if (wp == VK_ESCAPE)
                DestroyWindow(hwnd);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, kSlideTimer);
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

int RunSlideshow(HINSTANCE instance, PlayerPackage& pkg, bool loop) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const int H = GetSystemMetrics(SM_CYSCREEN);
    if (W <= 0 || H <= 0)
        return 1;
    SlideComposer composer(pkg, W, H);
    if (composer.slides().empty())
        return 0;

    ShowState st;
    st.composer = &composer;
    st.loop = loop;
    st.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    st.info.bmiHeader.biWidth = W;
    st.info.bmiHeader.biHeight = -H;  // top-down rows
    st.info.bmiHeader.biPlanes = 1;
    st.info.bmiHeader.biBitCount = 32;
    st.info.bmiHeader.biCompression = BI_RGB;

    const bool showCursor = PackageBool(pkg.settings(), keys::ShowCursor);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ShowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = showCursor ? LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)) : nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&wc))
        return 1;

    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, kWindowClass, L"Velmora图片幻灯",
                                WS_POPUP | WS_VISIBLE, 0, 0, W, H, nullptr, nullptr, instance, &st);
    if (!hwnd)
        return 1;
    if (!showCursor)
        ShowCursor(FALSE);
    Show(hwnd, st, 0);
    SetForegroundWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!showCursor)
        ShowCursor(TRUE);
    return 0;
}

}  // namespace velmora::player
