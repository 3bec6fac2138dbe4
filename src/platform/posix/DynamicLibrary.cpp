#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace hopplix {

namespace {

std::string lastError(const char* fallback)
{
    const char* text = ::dlerror();
    return text ? text : fallback;
}

} // namespace

DynamicLibrary::DynamicLibrary(const std::filesystem::path& file)
{
    // RTLD_LOCAL: what the library brings along (its own libraries) stays out of the program's
    // way; RTLD_NOW: a missing symbol shows now, not in the middle of a download.
    handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        error_ = lastError("cannot be loaded");
}

DynamicLibrary::~DynamicLibrary()
{
    if (handle_)
        ::dlclose(handle_);
}

void* DynamicLibrary::function(const char* name)
{
    if (!handle_)
        return nullptr;
    ::dlerror();
    void* address = ::dlsym(handle_, name);
    if (!address)
        error_ = lastError("no such function");
    return address;
}

std::string libraryFileName(std::string_view base)
{
    std::string name(base);
    name += ".so";
    return name;
}

} // namespace hopplix
