#pragma once
// A library of our own loaded while the program runs, for parts that only some runs need: opened
// from its file, asked for a function by name, closed when the object goes.

#include <filesystem>
#include <string>
#include <string_view>

namespace hopplix {

class DynamicLibrary {
public:
    // Loads the library in `file`. When it cannot be loaded the object stays closed and error()
    // says why.
    explicit DynamicLibrary(const std::filesystem::path& file);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    bool isOpen() const { return handle_ != nullptr; }
    // The address of the function the library exports as `name` (with C linkage), or null
    // (then error() says why).
    void* function(const char* name);
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

// The file name of our library `base` on this system ("hopplix-download.so" on Linux,
// "hopplix-download.dll" on Windows).
std::string libraryFileName(std::string_view base);

} // namespace hopplix
