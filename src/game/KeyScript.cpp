#include "game/KeyScript.h"

namespace hopplix {

KeyScript parseKeyScript(std::string_view text)
{
    KeyScript script;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        KeyMask held = 0;
        for (const char c : line) {
            switch (c) {
            case 'L': held |= kKeyLeft; break;
            case 'R': held |= kKeyRight; break;
            case 'S': held |= kKeySpace; break;
            case '.': break;
            default:
                script.badLine = script.ticks.size() + 1;
                script.badCharacter = c;
                return script;
            }
        }
        script.ticks.push_back(held);
    }
    return script;
}

std::string writeKeyScript(std::span<const KeyMask> ticks)
{
    std::string script;
    for (const KeyMask keys : ticks) {
        if (keys & kKeyLeft)
            script += 'L';
        if (keys & kKeyRight)
            script += 'R';
        if (keys & kKeySpace)
            script += 'S';
        if (keys == 0)
            script += '.';
        script += '\n';
    }
    return script;
}

bool HeldKeys::GetAsyncKeyState(int virtualKey)
{
    switch (virtualKey) {
    case vk::Left: return (held & kKeyLeft) != 0;
    case vk::Right: return (held & kKeyRight) != 0;
    case vk::Space: return (held & kKeySpace) != 0;
    default: return false;
    }
}

} // namespace hopplix
