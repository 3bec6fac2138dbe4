#include "check/RoutePicture.h"

#include "platform/Files.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if HOPPLIX_HAS_STB
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_easy_font.h>
#include <stb_image_write.h>
#endif

namespace hopplix::check {

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};
// Colours outside the legend, so the route never looks like part of the level.
constexpr Rgb kPath{255, 0, 255};
constexpr Rgb kDeath{255, 200, 0};
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kPaper{255, 255, 160};

class Canvas {
public:
    explicit Canvas(RgbImage& image) : image_(image) {}

    void put(int x, int y, Rgb c)
    {
        if (x < 0 || y < 0 || x >= image_.width || y >= image_.height)
            return;
        std::uint8_t* p = &image_.rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width)
                                       + static_cast<std::size_t>(x))
                                      * 3];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
    void box(int x0, int y0, int x1, int y1, Rgb c)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                put(x, y, c);
    }
    // A line two pixels wide, from one point to the next.
    void line(double x0, double y0, double x1, double y1, Rgb c)
    {
        const int steps = static_cast<int>(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)))) + 1;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            const int x = static_cast<int>(std::lround(x0 + (x1 - x0) * t));
            const int y = static_cast<int>(std::lround(y0 + (y1 - y0) * t));
            box(x, y, x + 2, y + 2, c);
        }
    }
    void cross(int x, int y, int size, Rgb c)
    {
        for (int d = -size; d <= size; ++d) {
            box(x + d - 1, y + d - 1, x + d + 2, y + d + 2, kInk);
            box(x + d - 1, y - d - 1, x + d + 2, y - d + 2, kInk);
        }
        for (int d = -size; d <= size; ++d) {
            put(x + d, y + d, c);
            put(x + d, y - d, c);
        }
    }
    // A label on a pale box beside (x, y), kept inside the picture.
    void label(int x, int y, const char* text)
    {
#if HOPPLIX_HAS_STB
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%s", text);
        const int w = stb_easy_font_width(buffer) + 4;
        const int h = stb_easy_font_height(buffer) + 3;
        const int left = std::clamp(x, 0, std::max(0, image_.width - w));
        const int top = std::clamp(y - h, 0, std::max(0, image_.height - h));
        box(left, top, left + w, top + h, kPaper);
        std::array<char, 6000> quads{};
        const int count = stb_easy_font_print(static_cast<float>(left + 2), static_cast<float>(top + 2), buffer,
                                              nullptr, quads.data(), static_cast<int>(quads.size()));
        for (int q = 0; q < count; ++q) {
            // Four vertices of x, y, z (floats) and a colour (four bytes); the first and third
            // are opposite corners.
            float corner[2][2];
            for (int v = 0; v < 2; ++v)
                std::memcpy(corner[v], quads.data() + (static_cast<std::size_t>(q) * 4 + 2 * v) * 16, sizeof corner[v]);
            box(static_cast<int>(corner[0][0]), static_cast<int>(corner[0][1]), static_cast<int>(corner[1][0]),
                static_cast<int>(corner[1][1]), kInk);
        }
#else
        (void)x;
        (void)y;
        (void)text;
#endif
    }

private:
    RgbImage& image_;
};

} // namespace

RgbImage drawRoute(LevelSession& session, const PlayState& start, std::span<const KeyMask> route)
{
    const Playfield& field = session.playfield();
    RgbImage image;
    image.width = field.width();
    image.height = field.height();
    image.rgb.reserve(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    for (const std::uint32_t c : field.pixels()) {
        image.rgb.push_back(static_cast<std::uint8_t>(c & 0xFF));
        image.rgb.push_back(static_cast<std::uint8_t>(c >> 8 & 0xFF));
        image.rgb.push_back(static_cast<std::uint8_t>(c >> 16 & 0xFF));
    }
    Canvas canvas(image);
    const double tx = field.twipsPerPixelX();
    const double ty = field.twipsPerPixelY();
    const PlayerShape origin = session.player();
    const auto centre = [&](const PlayerShape& s) {
        return std::array<double, 2>{(double{s.Left} + s.Width / 2.0) / tx, (double{s.Top} + s.Height / 2.0) / ty};
    };
    PlayState play = start;
    HeldKeys keys;
    TickHooks hooks{keys, {}, {}, {}};
    std::array<double, 2> at = centre(origin);
    std::vector<std::array<double, 2>> deaths;
    for (const KeyMask held : route) {
        keys.held = held;
        const std::array<double, 2> before = at;
        const TickResult result = session.tick(play, hooks);
        at = centre(session.player());
        if (result.died)
            deaths.push_back(before); // the path starts again at the start
        else
            canvas.line(before[0], before[1], at[0], at[1], kPath);
        if (result.goal)
            break;
    }
    for (const auto& d : deaths)
        canvas.cross(static_cast<int>(d[0]), static_cast<int>(d[1]), 4, kDeath);
    // The player's square at its start, and the labels.
    const int sx = static_cast<int>(origin.Left / tx);
    const int sy = static_cast<int>(origin.Top / ty);
    const int side = std::max(1, static_cast<int>(origin.Width / tx));
    canvas.box(sx, sy, sx + side, sy + 1, kInk);
    canvas.box(sx, sy + side - 1, sx + side, sy + side, kInk);
    canvas.box(sx, sy, sx + 1, sy + side, kInk);
    canvas.box(sx + side - 1, sy, sx + side, sy + side, kInk);
    canvas.label(sx, sy - 2, "start");
    if (!route.empty())
        canvas.label(static_cast<int>(at[0]), static_cast<int>(at[1]) - 4, "goal");
    session.movePlayerTo(origin.Left, origin.Top);
    return image;
}

#if HOPPLIX_HAS_STB
bool canWritePng() { return true; }

bool writePng(const RgbImage& image, const std::filesystem::path& file, std::string& error)
{
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(image.rgb.data(), image.width * 3, image.width, image.height, 3, &length);
    if (!png) {
        error = "the picture cannot be encoded as PNG";
        return false;
    }
    PartFile part(file);
    const bool written =
        part.stream()
        && std::fwrite(png, 1, static_cast<std::size_t>(length), part.stream()) == static_cast<std::size_t>(length)
        && part.commit(file);
    STBIW_FREE(png);
    if (!written)
        error = "cannot write " + file.string();
    return written;
}
#else
bool canWritePng() { return false; }

bool writePng(const RgbImage&, const std::filesystem::path&, std::string& error)
{
    error = "this build cannot write PNG pictures (it was built without the stb headers)";
    return false;
}
#endif

} // namespace hopplix::check
