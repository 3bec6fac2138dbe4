#pragma once
// Owns the four forms and the platform services they use; forms reach each other through it.

#include "common/platform.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace hopplix {

class Form1;
class Form2;
class Form3;
class Form4;
class Downloader;

// What the forms need of the system. The references outlive the registry.
struct Services {
    KeyState& keys;
    MessageBoxes& messages;
    Beeper& beeper;
    ScreenMetrics screen;
    std::filesystem::path programFolder;
    // Ends the program at once: no further handler runs, no window's close handler runs.
    std::function<void()> endProgram;
    // Self-update: the downloads (none: no update check), the update server's base URL (empty:
    // no update check) and the start of the helper that carries out "update.cmd" once the
    // program has ended (true when it was started).
    Downloader* downloader = nullptr;
    std::string updateServer{};
    std::function<bool(const std::filesystem::path& programFolder)> startUpdateScript{};
};

class FormRegistry {
public:
    explicit FormRegistry(Services services);
    ~FormRegistry();
    FormRegistry(const FormRegistry&) = delete;
    FormRegistry& operator=(const FormRegistry&) = delete;

    Form1& form1() { return *form1_; }
    Form2& form2() { return *form2_; }
    Form3& form3() { return *form3_; }
    Form4& form4() { return *form4_; }
    Services& services() { return services_; }

private:
    Services services_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form4> form4_;
};

} // namespace hopplix
