#pragma once
// Fitting a level to the screen: the game window's size from the picture and the screen, the
// player's size from "Größe" and its start from the level's pixel coordinates. The level session
// lays every level out with these, for the game window and the tools alike.
//
// All lengths are twips unless a name says Px. Window, client and shape sizes are single
// precision (float), as the window system stores them; intermediate products are double.

#include "common/LevelFolder.h"
#include "common/Numbers.h"
#include "common/SystemServices.h"
#include "game/Engine.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hopplix {

// How the window system keeps a window size set in twips.
enum class SizeRounding {
    Exact,       // as set (in single precision)
    WholePixels, // as the nearest whole number of pixels; reads back as pixels * twips per pixel
};

// The picture's natural size in HIMETRIC (hundredths of a millimetre), whole numbers: PW, PH.
struct HimetricSize {
    int32_t width = 0;
    int32_t height = 0;
};

// pixels * 2540 / dots per inch, rounded to the nearest whole number (halves away from zero,
// as the system's MulDiv does). The dots per inch are 1440 / twipsPerPixel.
int32_t himetricFromPixels(int pixels, double twipsPerPixel);
HimetricSize himetricSize(int widthPx, int heightPx, const ScreenMetrics& screen);

// The window's outer size (frame and caption included) as it reads back.
struct WindowSize {
    float Width = 0;
    float Height = 0;
};

// The window size for a picture on a screen. Compares the screen in twips with the picture in
// HIMETRIC as they are and divides by 1.5; each assignment reads back (per `rounding`) before
// the next step uses the window's width or height. Nothing for a picture without size.
std::optional<WindowSize> windowSize(HimetricSize picture, const ScreenMetrics& screen, SizeRounding rounding);

// The client area (ScaleWidth x ScaleHeight), which the playfield covers.
struct ClientArea {
    float ScaleWidth = 0;  // twips
    float ScaleHeight = 0; // twips
    int widthPx = 0;       // the playfield buffer's size
    int heightPx = 0;
};

// Outer size minus the frame (given in pixels); never negative.
ClientArea clientArea(const WindowSize& outer, int frameWidthPx, int frameHeightPx, const ScreenMetrics& screen,
                      SizeRounding rounding);
// A client area of exactly widthPx x heightPx pixels.
ClientArea clientAreaOfPixels(int widthPx, int heightPx, const ScreenMetrics& screen);

// The player's side from the "Größe" value as readGroesse reads it: N percent of the base
// length, or one twentieth of it. The base length is the client height when the picture is
// wider than high, otherwise the client width.
float playerSide(std::string_view groesse, HimetricSize picture, const ClientArea& client, const NumberFormat& format);

// The start position: the level's pixel coordinates (texts; empty or not a number is 0) scaled
// to the playfield with the factor 1.75, kept as text of at most 15 significant digits, and
// the shape's Left and Top read back from those texts in single precision. Nothing for a
// picture without size.
// How far from the corner a start may lie, in twips each way; farther ones are cut to this.
inline constexpr double kStartLimitTwips = 1e9;
struct StartPosition {
    std::string StartX;
    std::string StartY;
    float Left = 0;
    float Top = 0;
};
std::optional<StartPosition> startPosition(std::string_view x, std::string_view y, HimetricSize picture,
                                           const ClientArea& client, const ScreenMetrics& screen,
                                           const NumberFormat& format);

struct LayoutRequest {
    int pictureWidthPx = 0; // the decoded Level.bmp
    int pictureHeightPx = 0;
    ScreenMetrics screen;
    SizeRounding rounding = SizeRounding::WholePixels;
    int frameWidthPx = 0; // outer minus client size, in pixels
    int frameHeightPx = 0;
    // When set, the client area is exactly this many pixels and the window sizing is skipped
    // (the window then reports the outer size as client plus frame).
    std::optional<int> clientWidthPx;
    std::optional<int> clientHeightPx;
    NumberFormat format = systemNumberFormat();
};

struct LevelLayout {
    HimetricSize picture;
    WindowSize window;
    ClientArea client;
    float playerSide = 0;
    StartPosition start;
    NumberFormat format; // the one the start texts were written in
};

// A layout, or why the level cannot be laid out on this screen.
struct LayoutResult {
    std::optional<LevelLayout> layout;
    std::string refusal; // with no layout
    bool ok() const { return layout.has_value(); }
};

LayoutResult layoutLevel(const LevelSettings& settings, const LayoutRequest& request);
// loadLevelSettings(levelConfigPath(levelFolder)) followed by layoutLevel.
LayoutResult loadLevelLayout(const std::filesystem::path& levelFolder, const LayoutRequest& request);

// Puts the layout into the play state and the shape: StartX and StartY, the shape's size and
// its place at the start. Speed, leap flag and probe letters stay as the previous level left them.
void placePlayer(const LevelLayout& layout, PlayState& state, PlayerShape& shape);

} // namespace hopplix
