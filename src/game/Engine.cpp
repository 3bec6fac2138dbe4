#include "game/Engine.h"

#include "common/Numbers.h"
#include "common/Rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hopplix {

namespace {

inline bool blocked(const Punktfarbe& p, int k) { return p[static_cast<size_t>(k - 1)] != 'w'; }
inline bool isFree(const Punktfarbe& p, int k) { return p[static_cast<size_t>(k - 1)] == 'w'; }
inline bool is(const Punktfarbe& p, int k, char letter) { return p[static_cast<size_t>(k - 1)] == letter; }

// A start coordinate text back to the single-precision Left or Top. The load step writes
// these texts; one that no longer reads as a number (a changed locale) counts as 0.
float startCoordinate(const std::string& text)
{
    const double value = textToNumber(text).value_or(0.0);
    constexpr double limit = std::numeric_limits<float>::max();
    if (!std::isfinite(value))
        return 0.0f;
    return static_cast<float>(std::clamp(value, -limit, limit));
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

// kollision with the columns known: the letters of the eight probes at the shape's Top.
inline void probeAt(Punktfarbe& p, const ProbeColumns& c, const PlayerShape& shape, const Playfield& field)
{
    const double t = shape.Top;
    const double h = shape.Height;
    const int32_t top = field.rowOf(roundToInt32Saturating(t));
    const int32_t middle = field.rowOf(roundToInt32Saturating(t + h / 2.0));
    const int32_t bottom = field.rowOf(roundToInt32Saturating(t + h));
    p[0] = field.classAtIndex(c.left, top);
    p[1] = field.classAtIndex(c.centre, top);
    p[2] = field.classAtIndex(c.right, top);
    p[3] = field.classAtIndex(c.right, middle);
    p[4] = field.classAtIndex(c.right, bottom);
    p[5] = field.classAtIndex(c.centre, bottom);
    p[6] = field.classAtIndex(c.left, bottom);
    p[7] = field.classAtIndex(c.left, middle);
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
    Punktfarbe& p = state.punktfarbe;
    const ProbeColumns columns(shape, field); // Left does not change here
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

bool victorycheck(const Punktfarbe& punktfarbe, const std::function<void()>& beep)
{
    if (std::find(punktfarbe.begin(), punktfarbe.end(), 'g') == punktfarbe.end())
        return false;
    if (beep)
        beep();
    return true;
}

TickResult tick(PlayState& state, PlayerShape& shape, const Playfield& field, float scaleHeight,
                float pictureWidth, TickHooks& hooks)
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
        shape.Left = startCoordinate(state.StartX);
        shape.Top = startCoordinate(state.StartY);
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
    if (static_cast<float>(double{shape.Width} + double{shape.Left}) < pictureWidth && rightKey && isFree(p, 4) &&
        isFree(p, 3) && isFree(p, 5))
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
