#pragma once
// The debug window "DebugScreen": eight round markers showing what the player's probes see,
// the Player marker in the player's colour, and the vertical speed. It has no behaviour of
// its own; the game window fills it (Form1::Farbensetzen) and shows and hides it.

#include "forms/Form.h"

#include <array>

namespace hopplix {

class Form2 : public Form {
public:
    using Form::Form;

    // Controls; reaching one loads the form. Marker i shows probe i + 1.
    Shape* Shape1(int index);
    Shape* Player();
    Label* Label1();

protected:
    void createControls(Window& window) override;
    void controlsDestroyed() override;
    void Form_Load() override;
    bool centredOnScreen() const override { return false; }

private:
    std::array<Shape*, 8> shape1_{};
    Shape* player_ = nullptr;
    Label* label1_ = nullptr;
};

} // namespace hopplix
