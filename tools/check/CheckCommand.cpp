#include "CheckCommand.h"

#include "check/LevelCheck.h"
#include "check/RoutePicture.h"
#include "platform/Files.h"
#include "platform/PathText.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace hopplix::check {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage = "usage: hopplix-check [--solve] [--keys-out DIR] [--draw OUT.png] [--screen WxH] "
                                    "[--dpi N] [--frame WxH] [--client WxH] "
                                    "LEVEL_DIR...";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    bool solve = false;
    std::optional<fs::path> keysOut;
    std::optional<fs::path> draw;
    int screenWidth = 1280;
    int screenHeight = 1024;
    int dpi = 96;
    int frameWidth = 0;
    int frameHeight = 0;
    std::optional<std::pair<int, int>> client;
    std::vector<fs::path> levels;
};

int parseNumber(std::string_view text, const std::string& option, int minimum, int maximum)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < minimum || value > maximum)
        throw UsageError(option + ": '" + std::string(text) + "' is not a whole number from " + std::to_string(minimum)
                         + " to " + std::to_string(maximum));
    return value;
}

// A playfield of more than 8192 pixels a side is no screen the game meets.
std::pair<int, int> parseSize(std::string_view text, const std::string& option, int minimum)
{
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos)
        throw UsageError(option + ": '" + std::string(text) + "' is not of the form WxH");
    return {parseNumber(text.substr(0, x), option, minimum, 8192),
            parseNumber(text.substr(x + 1), option, minimum, 8192)};
}

Options parseArguments(const std::vector<std::string>& arguments)
{
    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || !argument.starts_with("--")) {
            options.levels.push_back(pathFromText(argument));
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help")
            throw UsageError("");
        if (argument == "--solve") {
            options.solve = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            throw UsageError(argument + " needs a value");
        const std::string& value = arguments[++i];
        if (argument == "--keys-out") {
            options.keysOut = pathFromText(value);
        } else if (argument == "--draw") {
            options.draw = pathFromText(value);
        } else if (argument == "--screen") {
            std::tie(options.screenWidth, options.screenHeight) = parseSize(value, argument, 1);
        } else if (argument == "--dpi") {
            options.dpi = parseNumber(value, argument, 1, 1440);
        } else if (argument == "--frame") {
            std::tie(options.frameWidth, options.frameHeight) = parseSize(value, argument, 0);
        } else if (argument == "--client") {
            options.client = parseSize(value, argument, 1);
        } else {
            throw UsageError("unknown option '" + argument + "'");
        }
    }
    if (options.levels.empty())
        throw UsageError("no level folder given");
    if (options.keysOut && !options.solve)
        throw UsageError("--keys-out needs --solve");
    if (options.draw && !options.solve)
        throw UsageError("--draw needs --solve");
    if (options.draw && options.levels.size() != 1)
        throw UsageError("--draw draws one level: give one level folder");
    return options;
}

Viewport viewportOf(const Options& options)
{
    const double twipsPerPixel = 1440.0 / options.dpi;
    Viewport viewport;
    viewport.screen = ScreenMetrics{options.screenWidth * twipsPerPixel, options.screenHeight * twipsPerPixel,
                                    twipsPerPixel, twipsPerPixel};
    viewport.frameWidthPx = options.frameWidth;
    viewport.frameHeightPx = options.frameHeight;
    if (options.client) {
        viewport.clientWidthPx = options.client->first;
        viewport.clientHeightPx = options.client->second;
    }
    return viewport;
}

// The level's name: its folder's name, also when given as "." or with a trailing slash.
std::string levelName(const fs::path& folder)
{
    std::error_code ec;
    fs::path path = fs::absolute(folder, ec).lexically_normal();
    if (!path.has_filename())
        path = path.parent_path();
    return path.filename().string();
}

// Writes the route as DIR/<level name>.keys, whole or not at all.
bool writeKeys(const fs::path& folder, const fs::path& level, const std::string& script, fs::path& written)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string name = levelName(level);
    if (name.empty())
        return false;
    written = folder / pathFromText(name + ".keys");
    PartFile part(written);
    return part.stream() && std::fwrite(script.data(), 1, script.size(), part.stream()) == script.size()
           && part.commit(written);
}

// The route drawn over the level, laid out again as the check laid it out.
Finding drawRouteOf(const fs::path& level, const Viewport& viewport, const PictureDecoder& decoder,
                    const std::vector<KeyMask>& route, const fs::path& file)
{
    if (!canWritePng()) {
        std::string why;
        writePng({}, file, why);
        return {Severity::Error, "cannot draw the route: " + why};
    }
    LevelSession session(decoder);
    PlayState play;
    if (!session.load(level, viewport, play).ok())
        return {Severity::Error, "cannot draw the route: the level no longer loads"};
    std::string error;
    if (!writePng(drawRoute(session, play, route), file, error))
        return {Severity::Error, "cannot draw the route: " + error};
    return {Severity::Info, "route drawn to " + file.string()};
}

} // namespace

int runCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    Options options;
    try {
        options = parseArguments(arguments);
    } catch (const UsageError& e) {
        if (*e.what())
            err << "hopplix-check: " << e.what() << '\n';
        err << kUsage << '\n';
        return 2;
    }

    CheckOptions check;
    check.viewport = viewportOf(options);
    check.solve = options.solve;
    const BmpPictureDecoder decoder;
    bool anyError = false;
    for (const fs::path& level : options.levels) {
        const std::string shownName = level.string();
        LevelReport report;
        try {
            report = checkLevel(level, decoder, check);
        } catch (const std::exception& e) { // no memory for a picture, or a file system failure
            report.findings.push_back({Severity::Error, std::string("cannot be checked: ") + e.what()});
        }
        if (options.keysOut && report.solution && report.solution->outcome == SolveOutcome::Solved) {
            fs::path written;
            if (writeKeys(*options.keysOut, level, writeKeyScript(report.solution->route), written))
                report.findings.push_back({Severity::Info, std::string("route written to ").append(written.string())});
            else
                report.findings.push_back(
                    {Severity::Error, std::string("cannot write the route to ").append(written.string())});
        }
        if (options.draw && report.solution && report.solution->outcome == SolveOutcome::Solved)
            report.findings.push_back(
                drawRouteOf(level, check.viewport, decoder, report.solution->route, *options.draw));
        else if (options.draw && report.solution)
            report.findings.push_back({Severity::Info, "no route to draw"});
        if (report.findings.empty())
            report.findings.push_back({Severity::Info, "no problems found"});
        for (const Finding& finding : report.findings)
            out << shownName << ": " << severityName(finding.severity) << ": " << finding.message << '\n';
        anyError = anyError || report.hasError();
    }
    out.flush();
    return anyError ? 1 : 0;
}

} // namespace hopplix::check
