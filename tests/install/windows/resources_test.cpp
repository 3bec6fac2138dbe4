// The program's resources do their work: Windows finds the version of the build, applies the
// manifest (per-monitor DPI awareness, Common Controls 6) and loads the icon.

#include "common/BuildVersion.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <cwctype>
#include <string>
#include <vector>

namespace hopplix::test {
namespace {

std::wstring programPath()
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

TEST(WindowsResources, VersionResourceIsTheBuildsVersion)
{
    const std::wstring path = programPath();
    std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    wchar_t* text = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040704B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    const std::string_view expected = buildVersion();
    EXPECT_EQ(std::wstring(text), std::wstring(expected.begin(), expected.end()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), static_cast<WORD>(std::stoi(std::string(expected))));
}

TEST(WindowsResources, ManifestMakesTheProgramPerMonitorDpiAware)
{
    EXPECT_TRUE(AreDpiAwarenessContextsEqual(GetThreadDpiAwarenessContext(), DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)
                || GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext())
                       == DPI_AWARENESS_PER_MONITOR_AWARE);
}

// The side-by-side assembly the manifest names, not the system folder's version 5 (whose
// DllGetVersion Wine's version 6 shares, so the folder tells them apart).
TEST(WindowsResources, ManifestActivatesCommonControlsSix)
{
    HMODULE controls = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(controls, nullptr);
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(controls, path.data(), static_cast<DWORD>(path.size())));
    FreeLibrary(controls);
    for (wchar_t& c : path)
        c = static_cast<wchar_t>(towlower(c));
    EXPECT_NE(path.find(L"\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << std::string(path.begin(), path.end());
}

TEST(WindowsResources, IconLoadsAtEverySizeAWindowAsks)
{
    for (const int side : {16, 32, 48, 256}) {
        HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, 0);
        EXPECT_NE(icon, nullptr) << side;
        if (icon)
            DestroyIcon(static_cast<HICON>(icon));
    }
}

} // namespace
} // namespace hopplix::test
