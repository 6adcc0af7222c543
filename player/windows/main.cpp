// The Windows player: a slideshow package runs this program with the package
// itself as its program file.
//
//   (no arguments)                   play the photos once, full screen
//   /s                               screen saver: play in a loop
//   /c, /p HWND                      screen saver settings and preview: nothing
//                                    to show, exit at once
//   --selftest OUT.txt               write what was read from the package
//   --render-slide N W H OUT.bmp     write slide N (1-based) composed at W x H
//
// Esc or a mouse click ends the show.
#include <windows.h>
// objidl.h before gdiplus.h: GDI+ needs the IStream declarations.
#include <gdiplus.h>
#include <objidl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "player/windows/PlayerPackage.h"
#include "player/windows/Selftest.h"
#include "player/windows/Slideshow.h"
#include "player/windows/Win32Files.h"

namespace {

using namespace velmora::player;

constexpr wchar_t kTitle[] = L"Velmora图片幻灯";

std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> out;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return out;
    for (int i = 1; i < argc; ++i)
        out.emplace_back(argv[i]);
    LocalFree(argv);
    return out;
}

bool IsSwitch(const std::wstring& a, wchar_t letter) {
    // "/s", "-s", "/S" and forms with a value glued on ("/p:1234").
    return a.size() >= 2 && (a[0] == L'/' || a[0] == L'-') &&
           (a[1] == letter || a[1] == static_cast<wchar_t>(letter - L'a' + L'A')) &&
           (a.size() == 2 || a[2] == L':');
}

bool ParseInt(const std::wstring& s, int& out) {
    if (s.empty())
        return false;
    wchar_t* end = nullptr;
    long v = std::wcstol(s.c_str(), &end, 10);
    if (*end != L'\0' || v < 1 || v > 100000)
        return false;
    out = static_cast<int>(v);
    return true;
}

int RenderSlide(const std::vector<std::wstring>& args) {
    int n = 0, w = 0, h = 0;
    if (args.size() != 5 || !ParseInt(args[1], n) || !ParseInt(args[2], w) ||
        !ParseInt(args[3], h) || w > 16384 || h > 16384)
        return 2;
    PlayerPackage pkg;
    if (!pkg.Open(ModulePath()))
        return 1;
    SlideComposer composer(pkg, w, h);
    if (static_cast<size_t>(n) > composer.slides().size())
        return 1;
    Frame frame;
    composer.Compose(static_cast<size_t>(n - 1), frame);
    return WriteBmp(args[4], frame) ? 0 : 2;
}

int Play(HINSTANCE instance, bool loop) {
    PlayerPackage pkg;
    if (!pkg.Open(ModulePath())) {
        MessageBoxW(nullptr, Widen(pkg.error()).c_str(), kTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
    return RunSlideshow(instance, pkg, loop);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::vector<std::wstring> args = Arguments();
    if (!args.empty() && args[0] == L"--selftest") {
        if (args.size() != 2)
            return 2;
        return RunSelftest(ModulePath(), args[1]);
    }
    if (!args.empty() && (IsSwitch(args[0], L'c') || IsSwitch(args[0], L'p')))
        return 0;

    SetProcessDPIAware();
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return 1;
    int code;
    if (!args.empty() && args[0] == L"--render-slide")
        code = RenderSlide(args);
    else
        code = Play(instance, !args.empty() && IsSwitch(args[0], L's'));
    Gdiplus::GdiplusShutdown(token);
    return code;
}
