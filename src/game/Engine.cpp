#include "game/Engine.h"

#include "common/Numbers.h"
#include "common/Rounding.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace hopplix {

namespace {

inline bool blocked(const Punktfarbe& p, int k) { return p[static_cast<size_t>(k - 1)] != 'w'; }
inline bool isFree(const Punktfarbe& p, int k) { return p[static_cast<size_t>(k - 1)] == 'w'; }
inline bool is(const Punktfarbe& p, int k, char letter) { return p[static_cast<size_t>(k - 1)] == letter; }

// A start coordinate text back to the single-precision Left or Top. The load step writes
// these texts; one that does not read as a number counts as 0.
float startCoordinate(const std::string& text, const NumberFormat& format)
{
    const double value = textToNumber(text, format).value_or(0.0);
    constexpr double limit = std::numeric_limits<float>::max();
    if (!std::isfinite(value))
        return 0.0f;
    return static_cast<float>(std::clamp(value, -limit, limit));
}

// Where a death puts the player: StartX and StartY read back, once per text.
void returnToStart(PlayState& state, PlayerShape& shape)
{
    PlayState::StartRead& read = state.startRead;
    if (!read.format)
        read.format = systemNumberFormat();
    if (read.x != state.StartX || read.y != state.StartY) {
        read.x = state.StartX;
        read.y = state.StartY;
        read.left = startCoordinate(read.x, *read.format);
        read.top = startCoordinate(read.y, *read.format);
    }
    shape.Left = read.left;
    shape.Top = read.top;
}

bool runEvents(TickHooks& hooks) { return !hooks.processEvents || hooks.processEvents(); }

// The probes' columns for a shape: they stay put while the vertical movement steps the shape up
// or down, so they are found once per movement. Sums in double of single-precision values are
// exact, so the only rounding is the final one, as in probePoints.
struct ProbeColumns {
    int32_t left, centre, right;
    ProbeColumns(const PlayerShape& shape, const Playfield& field)
    {
        const double l = shape.Left;
        const double w = shape.Width;
        left = field.columnOf(roundToInt32Saturating(l));
        centre = field.columnOf(roundToInt32Saturating(l + w / 2.0));
        right = field.columnOf(roundToInt32Saturating(l + w));
    }
};

// The rows of the probes at one Top (top edge, middle and bottom edge) and the twips they
// were found from.
// True when stepping from `from` to `to` by 2.0f at a time is exact at every step, so that
// the steps can be taken in one addition: both lie below 2^22 and `from` is a multiple of the
// float spacing at the larger of them (a step into a coarser range would round otherwise).
bool exactRun(float from, double to)
{
    const double larger = std::max(std::fabs(double{from}), std::fabs(to));
    if (!(larger < 4194304.0))
        return false;
    if (from == 0.0f)
        return true;
    // The spacing at `larger` is 2^(its exponent - 23); rounding it to float can only raise the
    // exponent, which asks for more.
    const int spacing = static_cast<int>(std::bit_cast<uint32_t>(static_cast<float>(larger)) >> 23 & 0xFF) - 127 - 23;
    const uint32_t bits = std::bit_cast<uint32_t>(from);
    const int exponent = static_cast<int>(bits >> 23 & 0xFF);
    if (exponent == 0)
        return false; // subnormal: finer than any step can keep
    const uint32_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    return exponent - 127 - 23 + std::countr_zero(mantissa) >= spacing;
}

// The rows of the probes at one Top: top edge, middle and bottom edge.
struct ProbeRows {
    int32_t top, middle, bottom;
};

[[gnu::always_inline]] inline ProbeRows rowsAt(const std::array<int32_t, 3>& twips, const Playfield& field)
{
    return {field.rowOf(twips[0]), field.rowOf(twips[1]), field.rowOf(twips[2])};
}

[[gnu::always_inline]] inline std::array<int32_t, 3> probeTwips(double top, double height)
{
    return {roundToInt32Saturating(top), roundToInt32Saturating(top + height / 2.0),
            roundToInt32Saturating(top + height)};
}

// How many more 2-twip steps (down when `down`, else up) keep a probe at `twips` on its row:
// none where the row's extent is not known (the border outside the image).
[[gnu::always_inline]] inline int32_t stepsOnRow(const Playfield& field, int32_t row, int32_t twips, bool down)
{
    int32_t first = 0;
    int32_t last = 0;
    if (!field.rowSpan(row, first, last))
        return 0;
    return std::max((down ? last - twips : twips - first) / 2, 0);
}

// The letters of the eight probes at known columns and rows. All eight are read before any is
// stored: a store through a char may alias the class map, and would make every read reload it.
[[gnu::always_inline]] inline void probeAt(Punktfarbe& p, const ProbeColumns& c, const ProbeRows& r,
                                           const Playfield& field)
{
    const char* map = field.classMap();
    const size_t stride = field.classStride();
    const char* top = map + static_cast<size_t>(r.top) * stride;
    const char* middle = map + static_cast<size_t>(r.middle) * stride;
    const char* bottom = map + static_cast<size_t>(r.bottom) * stride;
    p = Punktfarbe{top[c.left],     top[c.centre],    top[c.right],   middle[c.right],
                   bottom[c.right], bottom[c.centre], bottom[c.left], middle[c.left]};
}

[[gnu::always_inline]] inline void probeAt(Punktfarbe& p, const ProbeColumns& c, const PlayerShape& shape,
                                           const Playfield& field)
{
    probeAt(p, c, rowsAt(probeTwips(shape.Top, shape.Height), field), field);
}

// The vertical movement one 2-twip step at a time, probing after each: the rules as they read.
void stepByStep(int b, Punktfarbe& p, const ProbeColumns& columns, PlayerShape& shape, const Playfield& field)
{
    if (b < 0) {
        for (int counter = b; counter <= 0; counter += 2) {
            shape.Top = shape.Top - 2.0f;
            if (shape.Top < 0.0f)
                return;
            probeAt(p, columns, shape, field);
            if (blocked(p, 2))
                return;
            // One blocked corner alone lets the head slide past it.
            if (blocked(p, 1) && blocked(p, 3))
                return;
        }
    } else {
        for (int counter = b; counter >= 0; counter -= 2) {
            shape.Top = shape.Top + 2.0f;
            probeAt(p, columns, shape, field);
            // A corner lands only when the sides and top are clear; against a wall the player
            // slides down until the bottom-centre probe touches.
            const bool sidesFree = isFree(p, 4) && isFree(p, 3) && isFree(p, 1) && isFree(p, 8);
            if (blocked(p, 5) && sidesFree)
                return;
            if (blocked(p, 7) && sidesFree)
                return;
            if (blocked(p, 6))
                return;
        }
    }
}

// The same movement from row to row. While every step is exact (exactRun), step j puts each
// probe exactly 2j twips from where it began, and a step that leaves the rows that decide
// (the top row going up, all three going down) as they were reads what the step before read,
// which did not stop the movement: so only the steps onto another row are looked at.
void rowByRow(int b, Punktfarbe& p, const ProbeColumns& columns, PlayerShape& shape, const Playfield& field, int steps)
{
    const double top0 = shape.Top;
    const std::array<int32_t, 3> twips0 = probeTwips(top0, shape.Height);
    const auto twipsAt = [&](int j, int sign) {
        return std::array<int32_t, 3>{twips0[0] + sign * 2 * j, twips0[1] + sign * 2 * j, twips0[2] + sign * 2 * j};
    };
    const auto place = [&](int j, int sign) { shape.Top = static_cast<float>(top0 + sign * 2.0 * j); };
    if (b < 0) {
        const char* map = field.classMap();
        const size_t stride = field.classStride();
        for (int j = 1; j <= steps; ++j) {
            if (top0 - 2.0 * j < 0.0) {
                if (j > 1)
                    probeAt(p, columns, rowsAt(twipsAt(j - 1, -1), field), field);
                place(j, -1);
                return;
            }
            const int32_t topTwips = twips0[0] - 2 * j;
            const int32_t row = field.rowOf(topTwips);
            const char* line = map + static_cast<size_t>(row) * stride;
            if (line[columns.centre] != 'w' || (line[columns.left] != 'w' && line[columns.right] != 'w')) {
                probeAt(p, columns, rowsAt(twipsAt(j, -1), field), field);
                place(j, -1);
                return;
            }
            // The steps on this row, while Top stays at 0 or more.
            const int32_t more = std::min({stepsOnRow(field, row, topTwips, false), steps - j,
                                           static_cast<int32_t>(std::floor((top0 - 2.0 * j) / 2.0))});
            j += std::max(more, 0);
        }
        probeAt(p, columns, rowsAt(twipsAt(steps, -1), field), field);
        place(steps, -1);
    } else {
        const char* map = field.classMap();
        const size_t stride = field.classStride();
        for (int j = 1; j <= steps; ++j) {
            const std::array<int32_t, 3> twips = twipsAt(j, 1);
            const int32_t bottomRow = field.rowOf(twips[2]);
            const char* line = map + static_cast<size_t>(bottomRow) * stride;
            if (line[columns.left] == 'w' && line[columns.centre] == 'w' && line[columns.right] == 'w') {
                // Nothing underfoot: no stop until the bottom row changes.
                j += stepsOnRow(field, bottomRow, twips[2], true);
                continue;
            }
            const ProbeRows rows = rowsAt(twips, field);
            probeAt(p, columns, rows, field);
            const bool sidesFree = isFree(p, 4) && isFree(p, 3) && isFree(p, 1) && isFree(p, 8);
            if ((blocked(p, 5) && sidesFree) || (blocked(p, 7) && sidesFree) || blocked(p, 6)) {
                place(j, 1);
                return;
            }
            j += std::min({stepsOnRow(field, rows.top, twips[0], true), stepsOnRow(field, rows.middle, twips[1], true),
                           stepsOnRow(field, rows.bottom, twips[2], true)});
        }
        probeAt(p, columns, rowsAt(twipsAt(steps, 1), field), field);
        place(steps, 1);
    }
}

} // namespace

int16_t addClamped(int16_t value, int delta)
{
    const int sum = int{value} + delta;
    return static_cast<int16_t>(
        std::clamp(sum, int{std::numeric_limits<int16_t>::min()}, int{std::numeric_limits<int16_t>::max()}));
}

std::array<ProbePoint, 8> probePoints(const PlayerShape& shape)
{
    // Double sums of single-precision values: exact, so the only rounding is the final one.
    const double l = shape.Left;
    const double t = shape.Top;
    const double w = shape.Width;
    const double h = shape.Height;
    const int32_t left = roundToInt32Saturating(l);
    const int32_t centre = roundToInt32Saturating(l + w / 2.0);
    const int32_t right = roundToInt32Saturating(l + w);
    const int32_t top = roundToInt32Saturating(t);
    const int32_t middle = roundToInt32Saturating(t + h / 2.0);
    const int32_t bottom = roundToInt32Saturating(t + h);
    return {{{left, top},
             {centre, top},
             {right, top},
             {right, middle},
             {right, bottom},
             {centre, bottom},
             {left, bottom},
             {left, middle}}};
}

// The probes only read the painted level, so their order (1, 7, 8, 3, 5, 4, 2, 6) cannot be
// seen and they are read row by row.
void kollision(Punktfarbe& punktfarbe, const PlayerShape& shape, const Playfield& field)
{
    probeAt(punktfarbe, ProbeColumns(shape, field), shape, field);
}

void beschleunigungsetzen(PlayState& state, PlayerShape& shape, const Playfield& field)
{
    const int b = state.beschleunigung;
    const ProbeColumns columns(shape, field); // Left does not change here
    const int steps = b < 0 ? -b / 2 + 1 : b / 2 + 1;
    if (exactRun(shape.Top, double{shape.Top} + (b < 0 ? -2.0 : 2.0) * steps)
        && std::fabs(double{shape.Top} + shape.Height) < 4194304.0)
        rowByRow(b, state.punktfarbe, columns, shape, field, steps);
    else
        stepByStep(b, state.punktfarbe, columns, shape, field);
}

bool victorycheck(const Punktfarbe& punktfarbe, const std::function<void()>& beep)
{
    if (std::find(punktfarbe.begin(), punktfarbe.end(), 'g') == punktfarbe.end())
        return false;
    if (beep)
        beep();
    return true;
}

TickResult tick(PlayState& state, PlayerShape& shape, const Playfield& field, float scaleHeight, float pictureWidth,
                TickHooks& hooks)
{
    TickResult result;
    KeyState& keys = hooks.keys;
    const Punktfarbe& p = state.punktfarbe;

    if (!runEvents(hooks)) {
        result.windowClosed = true;
        return result;
    }

    kollision(state.punktfarbe, shape, field);

    // Death: back to the start. The letters stay those of the place of death for the rules below.
    if (std::find(p.begin(), p.end(), 'r') != p.end()) {
        returnToStart(state, shape);
        state.beschleunigung = 0;
        result.died = true;
    }

    const bool topFree = isFree(p, 1) && isFree(p, 2) && isFree(p, 3);

    // Head contact.
    if (!topFree) {
        state.beschleunigung = 0;
        state.stehend = kFalse;
    }

    // Climbing over a ledge while pressing towards it. Each key is read whatever the probes say.
    if (keys.GetAsyncKeyState(vk::Left) && blocked(p, 8) && topFree)
        state.beschleunigung = -20;
    if (keys.GetAsyncKeyState(vk::Right) && blocked(p, 4) && topFree)
        state.beschleunigung = -20;

    // Steps: a bottom corner on something with the side above it clear.
    if (blocked(p, 5) && isFree(p, 4)) {
        state.beschleunigung = -50;
        state.stehend = kTrue;
        if (blocked(p, 8) || blocked(p, 1) || blocked(p, 7))
            shape.Left = shape.Left + 3.0f;
    }
    if (blocked(p, 7) && isFree(p, 8)) {
        state.beschleunigung = -50;
        state.stehend = kTrue;
        if (blocked(p, 4) || blocked(p, 3) || blocked(p, 5))
            shape.Left = shape.Left - 3.0f;
    }

    // Ground.
    if (is(p, 6, 's')) {
        state.beschleunigung = -50;
        state.stehend = kTrue;
    }

    // Footing: a bottom corner on blue forbids leaping.
    if (blocked(p, 7) || blocked(p, 5))
        state.stehend = (!is(p, 7, 'b') && !is(p, 5, 'b')) ? kTrue : kFalse;

    // Climbing surface.
    if ((is(p, 5, 'o') || is(p, 4, 'o') || is(p, 7, 'o') || is(p, 8, 'o')) && isFree(p, 2) && isFree(p, 1))
        state.beschleunigung = -50;
    if ((is(p, 8, 'o') || is(p, 7, 'o')) && isFree(p, 3) && isFree(p, 2))
        state.beschleunigung = -50;

    // Launch pad.
    if ((is(p, 6, 'l') || is(p, 5, 'l') || is(p, 7, 'l')) && topFree) {
        state.beschleunigung = -150;
        state.stehend = kFalse;
    }

    // No grip: a blue wall pulls an airborne player down.
    if (is(p, 8, 'b') && isFree(p, 6) && isFree(p, 5)) {
        state.stehend = kFalse;
        state.beschleunigung = addClamped(state.beschleunigung, 50);
    }
    if (is(p, 4, 'b') && isFree(p, 7) && isFree(p, 6)) {
        state.stehend = kFalse;
        state.beschleunigung = addClamped(state.beschleunigung, 50);
    }

    if (!runEvents(hooks)) {
        result.windowClosed = true;
        return result;
    }

    // Gravity.
    state.beschleunigung = addClamped(state.beschleunigung, 10);

    // Above the playfield: always sink.
    if (shape.Top < 0.0f)
        state.beschleunigung = 10;

    // Bottom edge: the movement would reach the client's bottom, so none happens.
    const auto reach = static_cast<float>(double{shape.Height} + double{shape.Top} + state.beschleunigung);
    if (reach >= scaleHeight)
        state.beschleunigung = 0;
    else
        beschleunigungsetzen(state, shape, field);

    // Strides use the letters of the latest probe; the bounds are tested before the stride.
    const bool rightKey = keys.GetAsyncKeyState(vk::Right);
    if (static_cast<float>(double{shape.Width} + double{shape.Left}) < pictureWidth && rightKey && isFree(p, 4)
        && isFree(p, 3) && isFree(p, 5))
        shape.Left = shape.Left + 35.0f;
    const bool leftKey = keys.GetAsyncKeyState(vk::Left);
    if (shape.Left > 0.0f && leftKey && isFree(p, 8) && isFree(p, 1) && isFree(p, 7))
        shape.Left = shape.Left - 35.0f;

    // Glide, then leap.
    if (keys.GetAsyncKeyState(vk::Space) && state.stehend == kFalse)
        state.beschleunigung = addClamped(state.beschleunigung, -7);
    if (keys.GetAsyncKeyState(vk::Space) && state.stehend != kFalse) {
        state.beschleunigung = -110;
        state.stehend = kFalse;
    }

    if (victorycheck(state.punktfarbe, hooks.beep)) {
        result.goal = true;
        return result;
    }

    if (hooks.debugView)
        hooks.debugView();
    return result;
}

} // namespace hopplix
