#pragma once
// The window-system services the game calls on, as small interfaces. The Qt implementations
// live in forms/; tests hand in doubles of their own.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hopplix {

// Virtual-key codes as the rules name them. Letters and digits are their upper-case character
// codes, counted from A and Digit0.
namespace vk {
inline constexpr int Return = 0x0D;
inline constexpr int Escape = 27;
inline constexpr int Space = 0x20;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Digit0 = 0x30;
inline constexpr int A = 0x41;
inline constexpr int D = 68;
inline constexpr int J = 74;
inline constexpr int K = 75;
inline constexpr int R = 82;
} // namespace vk

// Key state across all of the program's windows.
class KeyState {
public:
    virtual ~KeyState() = default;
    // True when the key is down now or was pressed since the previous query of that key.
    // The query clears the "pressed since" memory of that key only.
    virtual bool GetAsyncKeyState(int virtualKey) = 0;
};

// Message-box styles and answers, with the values the rules use.
namespace mb {
inline constexpr int vbOKOnly = 0;
inline constexpr int vbYesNo = 4;
inline constexpr int vbCritical = 16;
inline constexpr int vbNoAnswer = 0; // closed by the program before anyone answered
inline constexpr int vbOK = 1;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;
} // namespace mb

// Modal message boxes with German buttons ("Ja", "Nein", "OK"). Texts are UTF-8. A question
// (vbYesNo) is answered only by its buttons: Escape and closing its window answer nothing.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // style: vbOKOnly or vbYesNo, plus vbCritical for the error icon. Returns vbOK, vbYes or vbNo,
    // or vbNoAnswer when closeUnanswered closed the box.
    virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
    // Closes every box open now without an answer, for a question whose matter is gone (its
    // level ended behind it). Boxes that never stay open have nothing to close.
    virtual void closeUnanswered() {}
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void Beep() = 0;
};

// The screen as the rules see it: size in twips and twips per pixel on each axis.
struct ScreenMetrics {
    double widthTwips = 19200;
    double heightTwips = 15360;
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
};

} // namespace hopplix
