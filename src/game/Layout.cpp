#include "game/Layout.h"

#include "common/Rounding.h"

#include <algorithm>
#include <cmath>

namespace hopplix {

namespace {

// A start farther out than this (about 700 m) is as outside as it gets; the limit keeps the
// single-precision Left and Top finite whatever a level writes.

// The window system's copy of a size set in twips (single precision), as it reads back.
float readBack(double twips, double twipsPerPixel, SizeRounding rounding)
{
    const auto set = static_cast<float>(std::max(0.0, twips));
    if (rounding == SizeRounding::Exact)
        return set;
    const int64_t pixels = roundHalfEven(double{set} / twipsPerPixel);
    return static_cast<float>(static_cast<double>(pixels) * twipsPerPixel);
}

int pixelsOf(double twips, double twipsPerPixel)
{
    const double px = twips / twipsPerPixel;
    if (!(px > 0))
        return 0;
    return static_cast<int>(std::min<int64_t>(roundHalfEven(px), 1 << 30));
}

} // namespace

int32_t himetricFromPixels(int pixels, double twipsPerPixel)
{
    const double dpi = 1440.0 / twipsPerPixel;
    const long wholeDpi = std::lround(dpi);
    if (wholeDpi > 0 && std::fabs(dpi - static_cast<double>(wholeDpi)) < 1e-9) {
        // MulDiv(pixels, 2540, dpi): exact integers, halves away from zero.
        const int64_t numerator = int64_t{pixels} * 2540 * 2;
        const int64_t denominator = int64_t{wholeDpi} * 2;
        const int64_t half = numerator >= 0 ? wholeDpi : -wholeDpi;
        return static_cast<int32_t>((numerator + half) / denominator);
    }
    return static_cast<int32_t>(std::lround(static_cast<double>(pixels) * 2540.0 / dpi));
}

HimetricSize himetricSize(int widthPx, int heightPx, const ScreenMetrics& screen)
{
    return {himetricFromPixels(widthPx, screen.twipsPerPixelX), himetricFromPixels(heightPx, screen.twipsPerPixelY)};
}

std::optional<WindowSize> windowSize(HimetricSize picture, const ScreenMetrics& screen, SizeRounding rounding)
{
    if (picture.width <= 0 || picture.height <= 0)
        return std::nullopt;
    const double pw = picture.width;
    const double ph = picture.height;
    // The screen's size in twips, single precision like the window's.
    const double sw = static_cast<float>(screen.widthTwips);
    const double sh = static_cast<float>(screen.heightTwips);

    WindowSize window;
    auto setWidth = [&](double twips) { window.Width = readBack(twips, screen.twipsPerPixelX, rounding); };
    auto setHeight = [&](double twips) { window.Height = readBack(twips, screen.twipsPerPixelY, rounding); };

    // Twips are compared with HIMETRIC as they are, and the divisor is 1.5: this is how the game
    // has always sized its window, so levels are drawn for it.
    if (sw < pw) {
        setWidth(sw - 250);
        setHeight(ph / pw * window.Width);
        if (sh - 1200 < window.Height) {
            setHeight(sh - 1200);
            setWidth(pw / ph * window.Height);
        }
    } else {
        setWidth(pw / 1.5);
        if (sh < ph) {
            setHeight(sh - 1200);
            setWidth(pw / ph * window.Height);
        } else {
            setHeight(ph / 1.5);
        }
    }
    return window;
}

ClientArea clientArea(const WindowSize& outer, int frameWidthPx, int frameHeightPx, const ScreenMetrics& screen,
                      SizeRounding rounding)
{
    ClientArea client;
    if (rounding == SizeRounding::WholePixels) {
        const int outerW = pixelsOf(outer.Width, screen.twipsPerPixelX);
        const int outerH = pixelsOf(outer.Height, screen.twipsPerPixelY);
        return clientAreaOfPixels(std::max(0, outerW - frameWidthPx), std::max(0, outerH - frameHeightPx), screen);
    }
    client.ScaleWidth = static_cast<float>(std::max(0.0, double{outer.Width} - frameWidthPx * screen.twipsPerPixelX));
    client.ScaleHeight =
        static_cast<float>(std::max(0.0, double{outer.Height} - frameHeightPx * screen.twipsPerPixelY));
    client.widthPx = pixelsOf(client.ScaleWidth, screen.twipsPerPixelX);
    client.heightPx = pixelsOf(client.ScaleHeight, screen.twipsPerPixelY);
    return client;
}

ClientArea clientAreaOfPixels(int widthPx, int heightPx, const ScreenMetrics& screen)
{
    ClientArea client;
    client.widthPx = std::max(0, widthPx);
    client.heightPx = std::max(0, heightPx);
    client.ScaleWidth = static_cast<float>(client.widthPx * screen.twipsPerPixelX);
    client.ScaleHeight = static_cast<float>(client.heightPx * screen.twipsPerPixelY);
    return client;
}

float playerSide(std::string_view groesse, HimetricSize picture, const ClientArea& client, const NumberFormat& format)
{
    // A square picture takes the width.
    const double base = picture.width > picture.height ? client.ScaleHeight : client.ScaleWidth;
    const PlayerSize size = readGroesse(groesse, format);
    if (size.verdict != SizeVerdict::Percent)
        return static_cast<float>(base / 20);
    return static_cast<float>(size.percent * base / 100);
}

std::optional<StartPosition> startPosition(std::string_view x, std::string_view y, HimetricSize picture,
                                           const ClientArea& client, const ScreenMetrics& screen,
                                           const NumberFormat& format)
{
    if (picture.width <= 0 || picture.height <= 0)
        return std::nullopt;
    auto convert = [&](std::string_view pixelText, double pictureTwips, int32_t himetric, double twipsPerPixel) {
        const double pixels = readCoordinate(pixelText, format).pixels;
        // The factor 1.75 (not 2540 / 1440) is the game's own: starts land at 0.992 of the exact place.
        double twips = pixels * (pictureTwips / himetric * 1.75) * twipsPerPixel;
        if (!std::isfinite(twips))
            twips = twips > 0 ? kStartLimitTwips : (twips < 0 ? -kStartLimitTwips : 0.0);
        twips = std::clamp(twips, -kStartLimitTwips, kStartLimitTwips);
        return numberToText(twips, format);
    };
    StartPosition start;
    start.StartX = convert(x, client.ScaleWidth, picture.width, screen.twipsPerPixelX);
    start.StartY = convert(y, client.ScaleHeight, picture.height, screen.twipsPerPixelY);
    start.Left = static_cast<float>(textToNumber(start.StartX, format).value_or(0.0));
    start.Top = static_cast<float>(textToNumber(start.StartY, format).value_or(0.0));
    return start;
}

LayoutResult layoutLevel(const LevelSettings& settings, const LayoutRequest& request)
{
    const ScreenMetrics& screen = request.screen;
    if (!(screen.twipsPerPixelX > 0) || !(screen.twipsPerPixelY > 0))
        return {std::nullopt, "the screen reports no twips per pixel"};
    if (request.pictureWidthPx <= 0 || request.pictureHeightPx <= 0)
        return {std::nullopt, "the level picture has no size"};

    LevelLayout layout;
    layout.picture = himetricSize(request.pictureWidthPx, request.pictureHeightPx, screen);
    if (layout.picture.width <= 0 || layout.picture.height <= 0)
        return {std::nullopt, "the level picture is too small for this screen"};
    if (request.clientWidthPx && request.clientHeightPx) {
        layout.client = clientAreaOfPixels(*request.clientWidthPx, *request.clientHeightPx, screen);
        layout.window.Width =
            static_cast<float>(layout.client.ScaleWidth + request.frameWidthPx * screen.twipsPerPixelX);
        layout.window.Height =
            static_cast<float>(layout.client.ScaleHeight + request.frameHeightPx * screen.twipsPerPixelY);
    } else {
        // The picture has a size (above), so the window has one.
        layout.window = *windowSize(layout.picture, screen, request.rounding);
        layout.client =
            clientArea(layout.window, request.frameWidthPx, request.frameHeightPx, screen, request.rounding);
    }
    layout.playerSide = playerSide(settings.Groesse, layout.picture, layout.client, request.format);
    layout.start = *startPosition(settings.x, settings.y, layout.picture, layout.client, screen, request.format);
    layout.format = request.format;
    return {std::move(layout), {}};
}

LayoutResult loadLevelLayout(const std::filesystem::path& levelFolder, const LayoutRequest& request)
{
    return layoutLevel(loadLevelSettings(levelConfigPath(levelFolder)), request);
}

void placePlayer(const LevelLayout& layout, PlayState& state, PlayerShape& shape)
{
    state.StartX = layout.start.StartX;
    state.StartY = layout.start.StartY;
    state.startRead = {layout.start.StartX, layout.start.StartY, layout.start.Left, layout.start.Top, layout.format};
    shape.Width = layout.playerSide;
    shape.Height = shape.Width; // always a square
    shape.Left = layout.start.Left;
    shape.Top = layout.start.Top;
}

} // namespace hopplix
