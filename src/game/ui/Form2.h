#pragma once
// The debug window "DebugScreen": eight round markers showing what the player's probes see,
// the Player marker in the player's colour, and the vertical speed. It has no behaviour of
// its own; the game window fills it (Form1::Farbensetzen) and shows and hides it.

#include "forms/Form.h"

#include <array>

class QLabel;

namespace hopplix {

class ShapeWidget;

class Form2 : public Form {
public:
    using Form::Form;

    // Controls; reaching one loads the form. Marker i shows probe i + 1.
    ShapeWidget* Shape1(int index);
    ShapeWidget* Player();
    QLabel* Label1();

protected:
    std::unique_ptr<FormWindow> createWindow() override;
    void controlsDestroyed() override;
    void Form_Load() override;
    bool centredOnScreen() const override { return false; }

private:
    std::array<ShapeWidget*, 8> shape1_{};
    ShapeWidget* player_ = nullptr;
    QLabel* label1_ = nullptr;
};

} // namespace hopplix
