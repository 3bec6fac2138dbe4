#include "platform/ProgramPath.h"

#include <windows.h>
#include <string>

namespace hopplix {

std::filesystem::path programFile()
{
    // The name may be longer than MAX_PATH; the call cuts it to the buffer and says so.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        if (name.size() >= 32768)
            return {};
        name.resize(name.size() * 2);
    }
}

std::string programFileNameOf(const std::string& baseName) { return baseName + ".exe"; }

} // namespace hopplix
