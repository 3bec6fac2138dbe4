#include "replay.h"

#include "common/Paths.h"
#include "game/KeyScript.h"
#include "game/LevelSession.h"
#include "platform/PathText.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <string_view>

namespace hopplix::replay {

namespace {

constexpr std::string_view usage =
    "usage: hopplix-replay --level DIR [--screen WxH] [--dpi N] [--frame WxH] [--client WxH] [--keys FILE] "
    "[--ticks N]";

long parseNumber(std::string_view text, std::string_view option, long minimum, long maximum)
{
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < minimum || value > maximum)
        throw Error(std::string(option) + ": '" + std::string(text) + "' is not a whole number from "
                    + std::to_string(minimum) + " to " + std::to_string(maximum));
    return value;
}

Size parseSize(std::string_view text, std::string_view option, int minimum)
{
    const size_t x = text.find('x');
    if (x == std::string_view::npos)
        throw Error(std::string(option) + ": '" + std::string(text) + "' is not of the form WxH");
    constexpr long maximum = 100000;
    return {static_cast<int>(parseNumber(text.substr(0, x), option, minimum, maximum)),
            static_cast<int>(parseNumber(text.substr(x + 1), option, minimum, maximum))};
}

void appendFloat(std::string& out, float value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error; // 32 characters hold any float
    out.append(buffer, end);
}

} // namespace

Options parseArguments(const std::vector<std::string>& arguments)
{
    Options options;
    bool haveLevel = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h")
            throw Error(std::string(usage));
        if (i + 1 >= arguments.size())
            throw Error(option.starts_with("--") ? option + " needs a value" : "unexpected argument '" + option + "'");
        const std::string& value = arguments[++i];
        if (option == "--level") {
            options.level = pathFromText(value);
            haveLevel = true;
        } else if (option == "--screen") {
            options.screen = parseSize(value, option, 1);
        } else if (option == "--dpi") {
            options.dpi = static_cast<int>(parseNumber(value, option, 1, 1440));
        } else if (option == "--frame") {
            options.frame = parseSize(value, option, 0);
        } else if (option == "--client") {
            options.client = parseSize(value, option, 1);
        } else if (option == "--keys") {
            options.keys = pathFromText(value);
        } else if (option == "--ticks") {
            options.ticks = parseNumber(value, option, 0, 100000000);
        } else {
            throw Error("unknown option '" + option + "'; " + std::string(usage));
        }
    }
    if (!haveLevel)
        throw Error("--level DIR is required; " + std::string(usage));
    return options;
}

std::vector<KeyMask> readKeyScript(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!FileExists(file) || !in)
        throw Error("cannot read the key script " + file.string());
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw Error("cannot read the key script " + file.string());
    KeyScript script = parseKeyScript(text);
    if (!script.ok())
        throw Error(file.string() + ":" + std::to_string(script.badLine) + ": unexpected character '"
                    + std::string(1, script.badCharacter) + "' (keys are L, R, S; '.' or an empty line for none)");
    return std::move(script.ticks);
}

std::string run(const Options& options, const PictureDecoder& decoder)
{
    // Everything that can fail is checked before the first line is written.
    const std::vector<KeyMask> script = options.keys ? readKeyScript(*options.keys) : std::vector<KeyMask>{};
    const long ticks = options.ticks ? *options.ticks : (options.keys ? static_cast<long>(script.size()) : 500);

    const double twipsPerPixel = 1440.0 / options.dpi;
    Viewport viewport;
    viewport.screen = ScreenMetrics{options.screen.width * twipsPerPixel, options.screen.height * twipsPerPixel,
                                    twipsPerPixel, twipsPerPixel};
    viewport.frameWidthPx = options.frame.width;
    viewport.frameHeightPx = options.frame.height;
    if (options.client) {
        viewport.clientWidthPx = options.client->width;
        viewport.clientHeightPx = options.client->height;
    }
    LevelSession session(decoder);
    PlayState state; // as at the first level of a run
    const LoadResult loaded = session.load(options.level, viewport, state);
    switch (loaded.status) {
    case LoadStatus::Loaded: break;
    case LoadStatus::PictureMissing: throw Error(loaded.reason);
    case LoadStatus::PictureUnreadable: throw Error(levelImagePath(options.level).string() + ": " + loaded.reason);
    case LoadStatus::PictureTooSmall:
    case LoadStatus::LayoutImpossible: throw Error(options.level.string() + ": " + loaded.reason);
    }
    const LevelLayout& layout = session.layout();
    const PlayerShape& shape = session.player();

    std::string out = "window ";
    appendFloat(out, layout.window.Width);
    out += ' ';
    appendFloat(out, layout.window.Height);
    out += " client ";
    appendFloat(out, layout.client.ScaleWidth);
    out += ' ';
    appendFloat(out, layout.client.ScaleHeight);
    out += " player ";
    appendFloat(out, shape.Width);
    out += " start ";
    appendFloat(out, shape.Left);
    out += ' ';
    appendFloat(out, shape.Top);
    out += '\n';

    ScriptKeys keys(script);
    TickHooks hooks{keys, {}, {}, {}};
    for (long n = 1; n <= ticks; ++n) {
        keys.next();
        const TickResult result = session.tick(state, hooks);
        out += std::to_string(n);
        out += ' ';
        appendFloat(out, shape.Left);
        out += ' ';
        appendFloat(out, shape.Top);
        out += ' ';
        out += std::to_string(state.beschleunigung);
        out += ' ';
        out += std::to_string(state.stehend);
        out += ' ';
        out.append(state.punktfarbe.begin(), state.punktfarbe.end());
        if (result.died)
            out += " death";
        if (result.goal)
            out += " goal";
        out += '\n';
        if (result.goal)
            break;
    }
    return out;
}

} // namespace hopplix::replay
