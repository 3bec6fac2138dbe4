#pragma once
// The registry through which the four windows reach each other, and the platform services they
// use. A window sees another subsystem's window only as the face below: what the rules let the
// other windows read and call. The program's own registry (app/Forms.h) owns the real windows.

#include "common/SystemServices.h"
#include "forms/Form.h"

#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace hopplix {

class Downloader;
class WindowSystem;

// How the forms read the screen: asked anew each time a form loads, so a level opened after a
// change of resolution or dpi is laid out for the screen as it is then. A fixed ScreenMetrics
// (tests, tools) stands for a screen that never changes.
class ScreenQuery {
public:
    ScreenQuery(ScreenMetrics fixed) : read_([fixed] { return fixed; }) {}
    template <class Read>
    requires(!std::is_same_v<std::remove_cvref_t<Read>, ScreenQuery> && std::is_invocable_r_v<ScreenMetrics, Read&>)
        ScreenQuery(Read read)
        : read_(std::move(read))
    {}
    ScreenMetrics operator()() const { return read_(); }

private:
    std::function<ScreenMetrics()> read_;
};

// What the forms need of the system. The references outlive the registry.
struct Services {
    KeyState& keys;
    MessageBoxes& messages;
    Beeper& beeper;
    ScreenQuery screen;
    std::filesystem::path programFolder;
    // Ends the program at once: no further handler runs, no window's close handler runs.
    std::function<void()> endProgram;
    // Self-update: the downloads (none: no update check), the update server's base URL (empty:
    // no update check), whether the program folder's update script could be started (null: it
    // could) and its start, which runs on once the program has ended (true when it was started).
    Downloader* downloader = nullptr;
    std::string updateServer{};
    std::string updateKey{}; // minisign public key that must sign updates; empty: none
    std::function<bool(const std::filesystem::path& programFolder)> canStartUpdateScript{};
    std::function<bool(const std::filesystem::path& programFolder)> startUpdateScript{};
    // The window system the forms' windows live in.
    WindowSystem* windows = nullptr;
};

// The launcher as the other windows see it: the level and colour a level starts with, and the
// installed version.
class LauncherForm : public Form {
public:
    using Form::Form;
    std::string levelpfad;    // folder name of the level started last
    std::string Spielerfarbe; // colour value in decimal digits; empty until a start
    // The installed version: the caption of the Version label ("1,0"). Loads the form.
    virtual std::string VersionCaption() = 0;
};

// The updater as the launcher sees it.
class UpdaterForm : public Form {
public:
    using Form::Form;
    // Fetches the version file and, when the server's version is greater than the launcher's
    // Version caption, asks and installs. Visible afterwards: the hand-over is pending.
    virtual void Updatetest() = 0;
};

class FormRegistry {
public:
    explicit FormRegistry(Services services) : services_(std::move(services)) {}
    virtual ~FormRegistry() = default;
    FormRegistry(const FormRegistry&) = delete;
    FormRegistry& operator=(const FormRegistry&) = delete;

    virtual Form& form1() = 0; // the game window
    virtual Form& form2() = 0; // the debug window
    virtual LauncherForm& form3() = 0;
    virtual UpdaterForm& form4() = 0;
    Services& services() { return services_; }

private:
    Services services_;
};

} // namespace hopplix
