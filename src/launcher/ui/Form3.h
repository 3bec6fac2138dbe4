#pragma once
// The launcher window "Levelauswahl": the first window of every run and the one every level
// returns to. It lists the levels, remembers the last choice, mixes the player's colour and
// starts a level; closing it other than by Start ends the program.

#include "forms/FormRegistry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace hopplix {

class Form3 : public LauncherForm {
public:
    explicit Form3(FormRegistry& forms);
    ~Form3() override;

    // Launcher state, kept for the whole run, beside levelpfad and Spielerfarbe, which the game
    // window reads.
    bool starten = false;               // true only while Start closes the window
    bool geöffnet = false;              // the colour chooser is shown
    std::int16_t ausgewähltesLevel = 0; // list position of the level started last
    bool ersterstart = false;           // the first opening's work is done

    std::string VersionCaption() override;

    // Event handlers, run by the controls; public so other windows and tests can drive them.
    void Combo1_Click();
    void Command1_Click();
    void opener_Click();
    void HScroll1_Scroll(int index);
    void HScroll1_Change(int index);

    // Controls; reaching one loads the form. Index 0 red, 1 green, 2 blue.
    Label* Label1();
    DropDownList* Combo1();
    Shape* Shape1();
    CommandButton* Command1();
    Label* Version();
    HScrollBar* HScroll1(int index);
    Shape* Farbpunkt(int index);
    Label* Label2(int index);
    Label* opener();

protected:
    void createControls(Window& window) override;
    void controlsDestroyed() override;
    void Form_Load() override;
    void Form_Unload() override;
    void clientAreaResized() override;

private:
    void updateColourRow(int index);
    void setRowCaption(int index, int value);
    // One of the colour chooser's three rows (0 red, 1 green, 2 blue): scroll bar, dot, label.
    void addColourRow(Window& window, int index);
    // Geometry in twips.
    void place(Control& control, double left, double top, double width, double height);
    void placeOpener();
    void deleteLeftoverUpdateScript();

    // The level names as listed, byte for byte: the list shows them, levelpfad takes them.
    std::vector<std::string> levelNames_;

    Label* label1_ = nullptr;
    DropDownList* combo1_ = nullptr;
    Shape* shape1_ = nullptr;
    CommandButton* command1_ = nullptr;
    Label* version_ = nullptr;
    std::array<HScrollBar*, 3> hscroll1_{};
    std::array<Shape*, 3> farbpunkt_{};
    std::array<Label*, 3> label2_{};
    Label* opener_ = nullptr;
};

} // namespace hopplix
