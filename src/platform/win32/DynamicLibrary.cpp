#include "platform/DynamicLibrary.h"

#include "platform/win32/WideText.h"

#include <windows.h>

namespace hopplix {

namespace {

std::string lastError(const char* fallback)
{
    const DWORD code = ::GetLastError();
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message.empty() ? std::string(fallback) + " (error " + std::to_string(code) + ")" : win32::fromWide(message);
}

} // namespace

DynamicLibrary::DynamicLibrary(const std::filesystem::path& file)
{
    // The libraries it needs in turn are looked for beside it first, as beside the program.
    handle_ = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!handle_)
        error_ = lastError("cannot be loaded");
}

DynamicLibrary::~DynamicLibrary()
{
    if (handle_)
        ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void* DynamicLibrary::function(const char* name)
{
    if (!handle_)
        return nullptr;
    void* address = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
    if (!address)
        error_ = lastError("no such function");
    return address;
}

std::string libraryFileName(std::string_view base)
{
    std::string name(base);
    name += ".dll";
    return name;
}

} // namespace hopplix
