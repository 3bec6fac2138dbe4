// probe.exe: what the end-to-end test under Wine asks the window system, as another program on
// the same desktop sees it. Windows drawn by Wine hold their controls inside one X window, where
// xdotool cannot name them.
//   probe.exe texts TITLE         the texts of the visible window TITLE's controls, one a line
//                                 (a drop-down list's entries follow it, each after "> ", the
//                                 chosen one after "* "); status 1 when there is no such window
//   probe.exe close TITLE         asks the window to close, as its close box does
//   probe.exe rect TITLE TEXT     the control TEXT's place on the screen, "left top right bottom"
//                                 (#CLASS: the first control of that window class)
//   probe.exe hold FILE RELEASE   keeps FILE open, shared for reading only (so it can be neither
//                                 deleted nor renamed), until the file RELEASE exists (at most
//                                 two minutes); prints "held" once it holds it

#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring wide(const char* text)
{
    std::wstring out(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), static_cast<int>(out.size()));
    out.resize(out.size() - 1);
    return out;
}

std::wstring textOf(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct Search {
    std::wstring title;
    HWND found = nullptr;
};

HWND visibleWindow(const std::wstring& title)
{
    Search search{title};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (IsWindowVisible(window) && textOf(window) == s.title) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> controlsOf(HWND window)
{
    std::vector<HWND> controls;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            if (IsWindowVisible(child))
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    return controls;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("probe.exe texts TITLE | close TITLE | rect TITLE TEXT | hold FILE RELEASE\n", stderr);
        return 2;
    }
    const std::string action = argv[1];
    if (action == "hold" && argc == 4) {
        HANDLE file = CreateFileW(wide(argv[2]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
        std::printf("held\n");
        std::fflush(stdout);
        const std::wstring release = wide(argv[3]);
        for (int i = 0; i < 2400 && GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
            Sleep(50); // polls the release file, bounded
        CloseHandle(file);
        return 0;
    }
    HWND window = visibleWindow(wide(argv[2]));
    if (!window)
        return 1;
    if (action == "texts") {
        for (HWND control : controlsOf(window)) {
            std::printf("%s\n", utf8(textOf(control)).c_str());
            // A drop-down list's entries follow its text, each after "> ".
            wchar_t kind[32] = {};
            GetClassNameW(control, kind, 32);
            if (lstrcmpiW(kind, L"ComboBox") != 0)
                continue;
            const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
            const LRESULT chosen = SendMessageW(control, CB_GETCURSEL, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                std::wstring entry(
                    static_cast<size_t>(SendMessageW(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
                entry.resize(static_cast<size_t>(SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                                              reinterpret_cast<LPARAM>(entry.data()))));
                std::printf("%s %s\n", i == chosen ? "*" : ">", utf8(entry).c_str());
            }
        }
        return 0;
    }
    if (action == "close")
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (action == "rect" && argc == 4) {
        for (HWND control : controlsOf(window)) {
            RECT r{};
            wchar_t kind[32] = {};
            GetClassNameW(control, kind, 32);
            const std::wstring wanted = wide(argv[3]);
            const bool matches =
                wanted.starts_with(L"#") ? lstrcmpiW(kind, wanted.c_str() + 1) == 0 : textOf(control) == wanted;
            if (matches && GetWindowRect(control, &r)) {
                std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
                return 0;
            }
        }
        return 1;
    }
    return 2;
}
