#pragma once
// Sets LC_ALL for one test and puts the old value back.

#include <cstdlib>
#include <optional>
#include <string>

namespace hopplix::test {

class ScopedLocale {
public:
    explicit ScopedLocale(const char* name)
    {
        if (const char* old = std::getenv("LC_ALL"))
            old_ = old;
        ::setenv("LC_ALL", name, 1);
    }
    ~ScopedLocale()
    {
        if (old_)
            ::setenv("LC_ALL", old_->c_str(), 1);
        else
            ::unsetenv("LC_ALL");
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::optional<std::string> old_;
};

} // namespace hopplix::test
