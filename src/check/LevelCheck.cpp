#include "check/LevelCheck.h"

#include "common/LevelFolder.h"
#include "common/Numbers.h"
#include "common/Rounding.h"
#include "platform/Files.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <optional>
#include <span>

namespace hopplix::check {

namespace {

namespace fs = std::filesystem;

// Red or a wall this much narrower than a stride can be walked through whatever the player's
// size: the probes look before a stride, not along it.
constexpr float kStrideTwips = 35.0f;
// Narrow pieces reported one by one per kind; the rest are counted.
constexpr std::size_t kPiecesShown = 5;
// Runs of one kind of colour in a picture; beyond this (a noisy picture) widths are not checked.
constexpr std::size_t kMaxRuns = std::size_t{1} << 20;

class Findings {
public:
    explicit Findings(std::vector<Finding>& out) : out_(out) {}
    void error(std::string message) { out_.push_back({Severity::Error, std::move(message)}); }
    void warning(std::string message) { out_.push_back({Severity::Warning, std::move(message)}); }
    void info(std::string message) { out_.push_back({Severity::Info, std::move(message)}); }

private:
    std::vector<Finding>& out_;
};

std::string colourName(char letter)
{
    switch (letter) {
    case 's': return "black";
    case 'r': return "red";
    case 'o': return "orange";
    case 'g': return "green";
    case 'l': return "purple";
    case 'b': return "blue";
    default: return "white";
    }
}

// Joins texts. Sums of strings that begin with a literal make GCC 12 warn wrongly (-Wrestrict)
// when it optimises hard, so the messages are joined here.
template <typename... Parts>
std::string cat(const Parts&... parts)
{
    std::string text;
    (text.append(std::string_view(parts)), ...);
    return text;
}

int red(uint32_t c) { return static_cast<int>(c & 0xFF); }
int green(uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); }
int blue(uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); }

std::string rgb(uint32_t c)
{
    return cat("(", std::to_string(red(c)), ", ", std::to_string(green(c)), ", ", std::to_string(blue(c)), ")");
}

// A value from config.ini as the message shows it: quoted, and cut when long.
std::string shown(std::string_view value)
{
    constexpr std::size_t kLongest = 40;
    if (value.size() <= kLongest)
        return cat("\"", value, "\"");
    std::size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 character
    return cat("\"", value.substr(0, cut), "...\"");
}

std::string number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

// True when the bytes are UTF-8 with at least one character beyond ASCII: a file the game reads
// as Windows-1252 then sees other characters than its author wrote.
bool isUtf8BeyondAscii(std::string_view bytes)
{
    bool beyond = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        if (c < 0x80)
            length = 1;
        else if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4;
        else
            return false;
        if (i + length > bytes.size())
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        beyond = beyond || length > 1;
        i += length;
    }
    return beyond;
}

// True when the text starts with a number but goes on with something else ("12 ; left").
bool numberThenText(std::string_view text, const NumberFormat& format)
{
    constexpr std::size_t kLongestNumber = 64;
    for (std::size_t n = std::min(text.size(), kLongestNumber); n > 0; --n)
        if (textToNumber(text.substr(0, n), format))
            return n < text.size();
    return false;
}

void checkGroesse(std::string_view value, const NumberFormat& format, Findings& report)
{
    const std::string what = cat("Größe ", shown(value));
    switch (readGroesse(value, format).verdict) {
    case SizeVerdict::Automatic:
    case SizeVerdict::Percent: return;
    case SizeVerdict::NotPercentage:
        report.warning(what + " is not a percentage: the player gets the automatic size");
        return;
    case SizeVerdict::Negative: report.warning(what + " is negative: the player gets the automatic size"); return;
    case SizeVerdict::TooLarge: report.warning(what + " is 100% or more: the player gets the automatic size"); return;
    case SizeVerdict::NoPercentSign: break;
    }
    if (textToNumber(value, format))
        report.warning(what + " has no % sign: the player gets the automatic size");
    else if (numberThenText(value, format))
        report.warning(what + " has text after the number: the player gets the automatic size");
    else
        report.warning(what + " is neither auto nor a percentage: the player gets the automatic size");
}

void checkCoordinate(std::string_view key, std::string_view value, const NumberFormat& format, Findings& report)
{
    if (readCoordinate(value, format).verdict != CoordinateVerdict::NotNumber)
        return;
    const std::string what = cat("Startposition ", key, " ", shown(value));
    if (numberThenText(value, format))
        report.warning(what + " has text after the number: the game reads it as 0");
    else
        report.warning(what + " is not a number: the game reads it as 0");
}

void checkConfig(const fs::path& folder, const NumberFormat& format, Findings& report)
{
    const fs::path file = levelConfigPath(folder);
    const auto bytes = readOrdinaryFile(file);
    if (!bytes)
        return;
    if (bytes->starts_with("\xEF\xBB\xBF"))
        report.warning("config.ini starts with a UTF-8 byte-order mark: the game does not see the section on its "
                       "first line; save it in Windows-1252");
    else if (isUtf8BeyondAscii(*bytes))
        report.warning("config.ini is saved in UTF-8, but the game reads it as Windows-1252: the key \"Größe\" "
                       "never matches; save it in Windows-1252");
    const LevelSettings settings = loadLevelSettings(file);
    checkGroesse(settings.Groesse, format, report);
    checkCoordinate("x", settings.x, format, report);
    checkCoordinate("y", settings.y, format, report);
}

// ---- the picture ------------------------------------------------------------------------------

// Colours a stroke away from a legend colour: they play as free space. Fed row by row, in any
// order of rows; the example shown is the first such pixel reading from the top.
class NearColours {
public:
    void row(int y, std::span<const uint32_t> line)
    {
        uint32_t lastColour = kColourLegend[0].colour;
        int lastEntry = -1; // the legend entry the last colour is near to; -1 for none
        for (int x = 0; x < static_cast<int>(line.size()); ++x) {
            const uint32_t c = line[static_cast<std::size_t>(x)] & 0xFFFFFFu;
            if (c != lastColour) {
                lastColour = c;
                lastEntry = -1;
                for (std::size_t e = 0; e < kColourLegend.size(); ++e) {
                    const uint32_t l = kColourLegend[e].colour;
                    const int distance = std::max(
                        {std::abs(red(c) - red(l)), std::abs(green(c) - green(l)), std::abs(blue(c) - blue(l))});
                    // Shades of white are free space as white is.
                    if (distance > 0 && distance <= kNearColourDistance && kColourLegend[e].letter != 'w')
                        lastEntry = static_cast<int>(e);
                }
            }
            if (lastEntry < 0)
                continue;
            Near& n = near_[static_cast<std::size_t>(lastEntry)];
            if (n.count++ == 0 || y < n.y || (y == n.y && x < n.x)) {
                n.example = c;
                n.x = x;
                n.y = y;
            }
        }
    }

    void report(Findings& report) const
    {
        for (std::size_t e = 0; e < near_.size(); ++e) {
            const Near& n = near_[e];
            if (n.count == 0)
                continue;
            report.warning(std::to_string(n.count) + (n.count == 1 ? " pixel is" : " pixels are") + " close to "
                           + colourName(kColourLegend[e].letter) + " " + rgb(kColourLegend[e].colour)
                           + " but not exactly it, so the game takes them for free space; e.g. " + rgb(n.example)
                           + " at (" + std::to_string(n.x) + ", " + std::to_string(n.y) + ")");
        }
    }

private:
    struct Near {
        std::size_t count = 0;
        uint32_t example = 0;
        int x = 0;
        int y = 0;
    };
    std::array<Near, kColourLegend.size()> near_{};
};

// A stretch of one kind of colour narrower than the player can feel: pixels of rows where the
// colour runs narrower than that, joined across rows (also corner to corner).
struct Piece {
    int left = 0, top = 0, right = 0, bottom = 0; // pixels, inclusive
    int widest = 0;                               // its widest run of pixels in one row
    char letter = 'w';                            // the colour of its first pixel
};

// The narrow pieces of the pixels `belongs` picks: runs narrower than `narrowerThan` pixels,
// joined across rows. Fed row by row, top down or bottom up as the file keeps them; no pieces
// (nullopt) for a picture too noisy to take apart.
class NarrowPieces {
public:
    NarrowPieces(double narrowerThan, bool (*belongs)(char)) : narrowerThan_(narrowerThan), belongs_(belongs) {}

    void row(int y, std::span<const uint32_t> line)
    {
        if (overflow_)
            return;
        const int width = static_cast<int>(line.size());
        const std::size_t rowStart = runs_.size();
        // Pictures run in long stretches of one colour: the last one's letter is kept.
        uint32_t lastColour = kColourLegend[0].colour;
        char lastLetter = kColourLegend[0].letter;
        const auto at = [&](int x) {
            const uint32_t c = line[static_cast<std::size_t>(x)] & 0xFFFFFFu;
            if (c != lastColour) {
                lastColour = c;
                lastLetter = classifyColour(c);
            }
            return lastLetter;
        };
        for (int x = 0; x < width;) {
            const char letter = at(x);
            if (!belongs_(letter)) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < width && belongs_(at(x)))
                ++x;
            if (x - x0 >= narrowerThan_)
                continue;
            if (runs_.size() == kMaxRuns) {
                overflow_ = true;
                return;
            }
            runs_.push_back({y, x0, x, letter});
            parent_.push_back(static_cast<uint32_t>(runs_.size() - 1));
        }
        // Join with the narrow runs of the row before, when it is a neighbour, corners included.
        if (previousRow_ < rowStart && std::abs(runs_[previousRow_].y - y) == 1) {
            std::size_t other = previousRow_;
            for (std::size_t i = rowStart; i < runs_.size(); ++i) {
                while (other < rowStart && runs_[other].x1 < runs_[i].x0)
                    ++other;
                for (std::size_t a = other; a < rowStart && runs_[a].x0 <= runs_[i].x1; ++a)
                    parent_[find(static_cast<uint32_t>(a))] = find(static_cast<uint32_t>(i));
            }
        }
        previousRow_ = runs_.size() > rowStart ? rowStart : runs_.size();
    }

    // The pieces in the order reading from the top finds them.
    std::optional<std::vector<Piece>> pieces()
    {
        if (overflow_)
            return std::nullopt;
        std::vector<std::size_t> order(runs_.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::pair(runs_[a].y, runs_[a].x0) < std::pair(runs_[b].y, runs_[b].x0);
        });
        std::vector<Piece> pieces;
        std::vector<int32_t> pieceOf(runs_.size(), -1);
        for (const std::size_t i : order) {
            const uint32_t root = find(static_cast<uint32_t>(i));
            const Run& run = runs_[i];
            if (pieceOf[root] < 0) {
                pieceOf[root] = static_cast<int32_t>(pieces.size());
                pieces.push_back({run.x0, run.y, run.x1 - 1, run.y, 0, run.letter});
            }
            Piece& piece = pieces[static_cast<std::size_t>(pieceOf[root])];
            piece.left = std::min(piece.left, run.x0);
            piece.right = std::max(piece.right, run.x1 - 1);
            piece.top = std::min(piece.top, run.y);
            piece.bottom = std::max(piece.bottom, run.y);
            piece.widest = std::max(piece.widest, run.x1 - run.x0);
        }
        return pieces;
    }

private:
    struct Run {
        int y, x0, x1; // x1 exclusive
        char letter;
    };
    uint32_t find(uint32_t i)
    {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }

    double narrowerThan_;
    bool (*belongs_)(char);
    std::vector<Run> runs_;
    std::vector<uint32_t> parent_;
    std::size_t previousRow_ = 0; // the first narrow run of the row before
    bool overflow_ = false;
};

// Red and walls narrower than the player can feel: its probes sit at its corners and the middles
// of its sides, half a side apart, and it strides 35 twips without looking in between. Red that
// narrow can be walked over; a wall that narrow, as high as half the player or more, walked
// through (a lower one, or the tip of something wider, stops the player anyway).
bool isRed(char c) { return c == 'r'; }
bool isWall(char c) { return c != 'w' && c != 'r' && c != 'g'; }

// What the checks of the picture as painted need, taken from its rows as the decoder hands
// them over: the picture is never held whole, so a large one takes no more memory than the
// game's own reading of it.
class PaintedPicture : public PictureRows {
public:
    explicit PaintedPicture(const LevelLayout& layout) : layout_(layout) {}

    bool size(int w, int h) override
    {
        width = w;
        height = h;
        seen_.assign(static_cast<std::size_t>(h), false);
        rows_ = 0;
        twipsPerPixelX = double{layout_.client.ScaleWidth} / w;
        twipsPerPixelY = double{layout_.client.ScaleHeight} / h;
        red.reset();
        wall.reset();
        if (twipsPerPixelX > 0 && twipsPerPixelY > 0 && layout_.playerSide > 0) {
            narrowerThan = std::max<double>(layout_.playerSide / 2.0, kStrideTwips) / twipsPerPixelX;
            red.emplace(narrowerThan, isRed);
            wall.emplace(narrowerThan, isWall);
        }
        return true;
    }

    void row(int y, std::span<const uint32_t> colours) override
    {
        if (y < 0 || y >= height || colours.size() != static_cast<std::size_t>(width)
            || seen_[static_cast<std::size_t>(y)])
            return;
        seen_[static_cast<std::size_t>(y)] = true;
        ++rows_;
        const uint32_t goal = *colourOfLetter('g');
        green =
            green || std::any_of(colours.begin(), colours.end(), [&](uint32_t c) { return (c & 0xFFFFFFu) == goal; });
        near.row(y, colours);
        if (red)
            red->row(y, colours);
        if (wall)
            wall->row(y, colours);
    }

    bool complete() const { return height > 0 && rows_ == height; }

    int width = 0;
    int height = 0;
    bool green = false;
    double twipsPerPixelX = 0;
    double twipsPerPixelY = 0;
    double narrowerThan = 0;
    NearColours near;
    std::optional<NarrowPieces> red;
    std::optional<NarrowPieces> wall;

private:
    const LevelLayout& layout_;
    std::vector<bool> seen_;
    int rows_ = 0;
};

void checkNarrowPieces(PaintedPicture& picture, const LevelLayout& layout, Findings& report)
{
    if (!picture.red || !picture.wall)
        return;
    const double half = layout.playerSide / 2.0;
    const bool strideWider = kStrideTwips > half;
    const double narrowerThan = picture.narrowerThan;
    const std::string limit = cat(strideWider ? "narrower than a stride (" : "narrower than half the player's side (",
                                  number(narrowerThan), " pixels)");
    const double lowest = half / picture.twipsPerPixelY; // rows a narrow wall must span to be walked through

    auto check = [&](NarrowPieces& found, const std::string& kind, bool mindHeight, const std::string& consequence) {
        const auto pieces = found.pieces();
        if (!pieces) {
            report.info("the picture has too many separate pieces of " + kind + " to check their widths");
            return;
        }
        std::size_t shown = 0;
        std::size_t more = 0;
        for (const Piece& piece : *pieces) {
            if (mindHeight && piece.bottom - piece.top + 1 < lowest)
                continue;
            if (shown == kPiecesShown) {
                ++more;
                continue;
            }
            ++shown;
            const std::string name = kind == "red" ? std::string("red") : cat("a wall of ", colourName(piece.letter));
            report.warning(name + " at x " + std::to_string(piece.left) + ".." + std::to_string(piece.right) + ", y "
                           + std::to_string(piece.top) + ".." + std::to_string(piece.bottom) + " is "
                           + std::to_string(piece.widest) + (piece.widest == 1 ? " pixel" : " pixels") + " wide, "
                           + limit + ": " + consequence);
        }
        if (more > 0)
            report.warning(cat("and ", std::to_string(more), " more narrow pieces of ", kind));
    };
    check(*picture.red, "red", false, "the player can pass over it unharmed");
    check(*picture.wall, "wall", true, "the player can pass through it");
}

// True when the player dies in its first tick.
bool checkPlayer(const LevelSession& session, const PaintedPicture& picture, const LevelSettings& settings,
                 const NumberFormat& format, Findings& report)
{
    const LevelLayout& layout = session.layout();
    const Playfield& field = session.playfield();
    const PlayerShape& shape = session.player();

    const std::string groesse =
        settings.Groesse.empty() ? std::string() : cat(" (Größe ", shown(settings.Groesse), ")");
    if (layout.playerSide == 0)
        report.error("the player has a size of 0" + groesse
                     + ": it cannot be seen, and its eight probes meet in one point");
    else if (!(layout.playerSide >= field.twipsPerPixelX()))
        report.error("the player is smaller than one pixel" + groesse);

    const std::string start = cat("(", number(textToNumber(settings.x, format).value_or(0)), ", ",
                                  number(textToNumber(settings.y, format).value_or(0)), ")");
    const double left = shape.Left;
    const double top = shape.Top;
    const double right = left + shape.Width;
    const double bottom = top + shape.Height;
    const bool cut = std::fabs(left) >= kStartLimitTwips || std::fabs(top) >= kStartLimitTwips;
    if (right <= 0 || bottom <= 0 || left >= layout.client.ScaleWidth || top >= layout.client.ScaleHeight)
        report.warning("the start " + start + " lies outside the picture (" + std::to_string(picture.width) + " x "
                       + std::to_string(picture.height) + " pixels)"
                       + (cut ? "; the game cuts it to " + number(kStartLimitTwips) + " twips from the corner" : ""));
    else if (left < 0 || top < 0 || right > layout.client.ScaleWidth || bottom > layout.client.ScaleHeight)
        report.warning("at its start " + start + " the player reaches beyond the edge of the picture");

    Punktfarbe probes{};
    kollision(probes, shape, field);
    bool diesAtOnce = false;
    for (std::size_t k = 0; k < probes.size(); ++k) {
        if (probes[k] == 'r') {
            report.error("the player's start " + start + " touches red (probe " + std::to_string(k + 1)
                         + "): it dies in its first tick");
            diesAtOnce = true;
            break;
        }
    }
    const char inside = farbechecken(field, roundToInt32Saturating(left + shape.Width / 2.0),
                                     roundToInt32Saturating(top + shape.Height / 2.0));
    if (inside != 'w')
        report.error("the player's start " + start + " lies inside " + colourName(inside));
    return diesAtOnce;
}

// True when the playfield holds green.
bool checkGoal(const LevelSession& session, const PaintedPicture& picture, Findings& report)
{
    const Playfield& field = session.playfield();
    const uint32_t goal = *colourOfLetter('g');
    if (std::find(field.pixels().begin(), field.pixels().end(), goal) != field.pixels().end())
        return true;
    if (picture.green)
        report.error("the green goal is lost when the picture is shrunk to the window (" + std::to_string(field.width())
                     + " x " + std::to_string(field.height()) + " pixels): make it larger");
    else
        report.error("no goal: the picture has no green " + rgb(goal));
    return false;
}

// The first tick that kills the player and the first that reaches the goal (0: none) within
// `ticks` ticks with no key held, from (left, top) at rest. The player is put back afterwards.
struct Idle {
    int died = 0;
    int goal = 0;
};
Idle idleFrom(LevelSession& session, const PlayState& play, float left, float top, int ticks)
{
    const PlayerShape origin = session.player();
    PlayState state = play;
    state.beschleunigung = 0;
    HeldKeys keys; // none
    TickHooks hooks{keys, {}, {}, {}};
    session.movePlayerTo(left, top);
    Idle idle;
    for (int n = 1; n <= ticks && idle.goal == 0; ++n) {
        const TickResult result = session.tick(state, hooks);
        if (result.died && idle.died == 0)
            idle.died = n;
        if (result.goal)
            idle.goal = n;
    }
    session.movePlayerTo(origin.Left, origin.Top);
    return idle;
}

// What the player meets with no key held: at its start, and after R (which puts it at the
// playfield's top-left corner at rest).
void checkIdle(LevelSession& session, const PlayState& play, bool startDiesAtOnce, Findings& report)
{
    constexpr int kFirstTicks = 50; // one second
    const PlayerShape& shape = session.player();
    const Idle start = idleFrom(session, play, shape.Left, shape.Top, kFirstTicks);
    if (!startDiesAtOnce && start.died > 0 && (start.goal == 0 || start.died < start.goal))
        report.warning(cat("the player dies ", std::to_string(start.died),
                           " ticks after its start with no key held: it spawns where it cannot stay"));
    const Idle r = idleFrom(session, play, 0.0f, 0.0f, 5 * kFirstTicks);
    if (r.goal > 0 && (r.died == 0 || r.goal < r.died))
        report.warning(
            cat("pressing R wins at once: from the top-left corner the player reaches the goal ",
                r.goal == 1 ? std::string("in its first tick") : cat("in ", std::to_string(r.goal), " ticks"),
                " with no key held"));
}

void runSolver(LevelSession& session, const PlayState& play, const SolveLimits& limits, LevelReport& level)
{
    Findings report(level.findings);
    const std::clock_t began = std::clock();
    SolveResult result = solve(session, play, limits);
    const double seconds = static_cast<double>(std::clock() - began) / CLOCKS_PER_SEC;
    char time[64];
    std::snprintf(time, sizeof time, " ticks in %.2f s (%.0f ticks per second), at most ", seconds,
                  seconds > 0 ? static_cast<double>(result.ticks) / seconds : 0.0);
    const std::string searched = std::to_string(result.ticks) + time + std::to_string(result.states) + " states held";
    switch (result.outcome) {
    case SolveOutcome::Solved:
        report.info(cat("solved: a route of ", std::to_string(result.route.size()))
                    + (result.route.size() == 1 ? " tick (" : " ticks (")
                    + number(static_cast<double>(result.route.size()) / 50) + " s of play) reaches the goal; searched "
                    + searched);
        break;
    case SolveOutcome::NoRoute:
        if (!result.proof.empty()) {
            char took[48];
            std::snprintf(took, sizeof took, "; proven in %.2f s", seconds);
            report.error(result.proof + took);
            break;
        }
        report.error(cat("the goal cannot be reached within ", std::to_string(limits.maxTicks))
                     + " ticks: every state the player can reach in that time was tried; searched " + searched);
        break;
    case SolveOutcome::OutOfMemory:
        report.error(cat("no route to the goal found before the search filled its ",
                         std::to_string(limits.maxBytes >> 20), " MiB; searched ", searched));
        break;
    }
    level.solution = std::move(result);
}

} // namespace

std::string_view severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Info: break;
    }
    return "info";
}

bool LevelReport::hasError() const
{
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& f) { return f.severity == Severity::Error; });
}

LevelReport checkLevel(const fs::path& folder, const PictureDecoder& decoder, const CheckOptions& options,
                       const std::function<std::string()>& decoderError)
{
    LevelReport level;
    Findings report(level.findings);
    const NumberFormat format = systemNumberFormat();
    checkConfig(folder, format, report);

    LevelSession session(decoder);
    PlayState play; // as at the first level of a run
    const LoadResult loaded = session.load(folder, options.viewport, play);
    switch (loaded.status) {
    case LoadStatus::Loaded: break;
    case LoadStatus::PictureMissing:
        report.error("no Level.bmp (or it is hidden, or not an ordinary file)");
        return level;
    case LoadStatus::PictureUnreadable: {
        const std::string why = decoderError ? decoderError() : pictureErrorText(loaded.picture);
        report.error("Level.bmp cannot be read as a picture" + (why.empty() ? std::string() : ": " + why));
        return level;
    }
    case LoadStatus::PictureTooSmall:
    case LoadStatus::LayoutImpossible:
        report.error("the level cannot be laid out on this screen: " + loaded.reason);
        return level;
    }
    // The checks below look at the picture as painted, before it is stretched.
    PaintedPicture picture(session.layout());
    if (!decoder.decode(*session.pictureFile(), picture).ok() || !picture.complete()) {
        report.error("Level.bmp cannot be read as a picture");
        return level;
    }

    const LevelSettings settings = loadLevelSettings(levelConfigPath(folder));
    const bool diesAtOnce = checkPlayer(session, picture, settings, format, report);
    const bool hasGoal = checkGoal(session, picture, report);
    checkIdle(session, play, diesAtOnce, report);
    picture.near.report(report);
    checkNarrowPieces(picture, session.layout(), report);
    // A player smaller than a pixel is already an error; a route found for it would only hide that.
    const bool playable = session.layout().playerSide >= session.playfield().twipsPerPixelX();
    if (options.solve && hasGoal && !playable)
        report.info("not solved: the player must be at least one pixel wide first");
    if (options.solve && hasGoal && playable)
        runSolver(session, play, options.limits, level);
    return level;
}

} // namespace hopplix::check
