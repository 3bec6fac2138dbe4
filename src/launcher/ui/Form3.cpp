#include "launcher/ui/Form3.h"

#include "common/BuildVersion.h"
#include "common/Codepage.h"
#include "common/ColourText.h"
#include "common/Paths.h"
#include "forms/FormRegistry.h"
#include "launcher/LevelList.h"
#include "updater/UpdateFiles.h"
#include "updater/UpdateInstall.h"

#include <algorithm>
#include <limits>
#include <system_error>

namespace hopplix {

namespace {

// What the player reads in this window.
constexpr const char* kCaption = "Levelauswahl";
constexpr const char* kStart = "Start";
constexpr const char* kNoLevels = "Es wurden keine Level gefunden";
constexpr const char* kChooseLevel = "Hier Level auswählen";
constexpr const char* kOpen = "<<< >>>";
constexpr const char* kClose = ">>> <<<";
// Before each colour row's value: red, green, blue.
constexpr const char* kRowPrefixes[] = {"Rot: ", "Grün: ", "Blau: "};

// Design sizes in twips.
constexpr double kClientWidth = 6120;
constexpr double kClientHeight = 4590;
constexpr double kCollapsedHeight = 2730;
constexpr double kExpandedHeight = 5000;

constexpr std::uint32_t kOpenerColour = colourValue(Rgb{90, 172, 255});
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlack = 0;

const char* rowPrefix(int index) { return kRowPrefixes[index == 0 || index == 1 ? index : 2]; }

// Whether the bytes are well-formed UTF-8: no stray or missing continuation byte, no overlong
// form, no surrogate, nothing above U+10FFFF.
bool isUtf8(const std::string& bytes)
{
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        int more = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80)
            more = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else
            return false;
        if (n - i <= static_cast<std::size_t>(more))
            return false; // cut off inside the character
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

// A level name as the list shows it. Names are bytes: UTF-8 as written here, or Windows-1252
// from an old zip file, which is shown as Windows shows it.
std::string shownName(const std::string& name) { return isUtf8(name) ? name : win1252ToUtf8(name); }

std::uint32_t rowColour(int index, int value)
{
    const auto v = static_cast<std::uint8_t>(value);
    return colourValue(
        Rgb{index == 0 ? v : std::uint8_t{0}, index == 1 ? v : std::uint8_t{0}, index == 2 ? v : std::uint8_t{0}});
}

} // namespace

Form3::Form3(FormRegistry& forms) : LauncherForm(forms) {}

Form3::~Form3() = default;

void Form3::createControls(Window& window)
{
    window.setCaption(kCaption);
    window.setFixedDialog(false);
    window.setClientSize({pxX(kClientWidth), pxY(kClientHeight)});
    window.setHighlightBackground();

    label1_ = &window.addLabel();
    label1_->setName("Label1");
    label1_->setFont(Font{{}, 18, true});
    label1_->setAlignment(Alignment::TopCentre);
    label1_->setShrinkToFit(true);
    place(*label1_, 240, 360, 5655, 375);

    combo1_ = &window.addDropDownList();
    combo1_->setName("Combo1");
    combo1_->setFont(Font{{}, 13.5, true});
    place(*combo1_, 240, 840, 5655, 480);

    shape1_ = &window.addShape(Shape::Kind::RoundedRectangle);
    shape1_->setName("Shape1");
    shape1_->setFill(kRed);
    shape1_->setBorder(kBlack);
    place(*shape1_, 240, 1440, 495, 495);

    command1_ = &window.addCommandButton();
    command1_->setName("Command1");
    command1_->setCaption(kStart);
    command1_->setEnabled(false);
    place(*command1_, 960, 1440, 4815, 495);

    version_ = &window.addLabel();
    version_->setName("Version");
    version_->setText(std::string(buildVersion()));
    place(*version_, 1560, 2040, 615, 255);

    for (int i = 0; i < 3; ++i)
        addColourRow(window, i);

    opener_ = &window.addLabel();
    opener_->setName("opener");
    opener_->setFont(Font{{}, 9.75, true});
    opener_->setAlignment(Alignment::Centre);
    opener_->setBackground(kOpenerColour);
    place(*opener_, 0, 4320, 6135, 255);

    // Connected after the design state is set, so creating the window runs no handler.
    combo1_->onClick = [this] { Combo1_Click(); };
    command1_->onClick = [this] { Command1_Click(); };
    opener_->onClick = [this] { opener_Click(); };
    for (int i = 0; i < 3; ++i) {
        HScrollBar* bar = hscroll1_[static_cast<std::size_t>(i)];
        bar->onScroll = [this, i] { HScroll1_Scroll(i); };
        bar->onChange = [this, i] { HScroll1_Change(i); };
    }
}

void Form3::addColourRow(Window& window, int i)
{
    const auto k = static_cast<std::size_t>(i);
    const double rowTop = 600.0 * i;
    const int initial = i == 0 ? 255 : 0;
    const std::string number = std::to_string(i);

    HScrollBar& bar = window.addHScrollBar();
    bar.setName("HScroll1_" + number);
    bar.setRange(0, 255);
    bar.setSmallChange(1);  // the arrows
    bar.setLargeChange(20); // a click in the track
    bar.setValue(initial);
    place(bar, 1800, 2400 + rowTop, 4095, 495);
    hscroll1_[k] = &bar;

    Shape& dot = window.addShape(Shape::Kind::Circle);
    dot.setName("Farbpunkt_" + number);
    dot.setFill(rowColour(i, initial));
    dot.setBorder(kBlack);
    place(dot, 240, 2520 + rowTop, 255, 255);
    farbpunkt_[k] = &dot;

    Label& label = window.addLabel();
    label.setName("Label2_" + number);
    label.setFont(Font{{}, 9.75, true});
    place(label, 600, 2520 + rowTop, 975, 255);
    label2_[k] = &label;
    setRowCaption(i, initial);
}

void Form3::place(Control& control, double left, double top, double width, double height)
{
    control.setGeometry({pxX(left), pxY(top), pxX(width), pxY(height)});
}

void Form3::controlsDestroyed()
{
    label1_ = nullptr;
    combo1_ = nullptr;
    shape1_ = nullptr;
    command1_ = nullptr;
    version_ = nullptr;
    hscroll1_.fill(nullptr);
    farbpunkt_.fill(nullptr);
    label2_.fill(nullptr);
    opener_ = nullptr;
    levelNames_.clear();
}

void Form3::Form_Load()
{
    // The remembered colour goes to the preview only; the bars show their design values.
    if (!Spielerfarbe.empty()) {
        if (const auto colour = colourOfValueText(Spielerfarbe))
            shape1_->setFill(colourValue(*colour));
    }

    combo1_->clear();
    levelNames_ = listLevels(levelsFolder(services().programFolder));
    for (const std::string& name : levelNames_)
        combo1_->addItem(shownName(name));
    combo1_->setCurrentIndex(-1); // adding the first entry selected it

    label1_->setText(levelNames_.empty() ? kNoLevels : kChooseLevel);

    // The first entry is never restored: position 0 also stands for "nothing chosen yet".
    if (ausgewähltesLevel > 0 && ausgewähltesLevel < combo1_->count()) {
        combo1_->setCurrentIndex(ausgewähltesLevel);
        Combo1_Click();
    }

    setOuterHeight(kCollapsedHeight);
    geöffnet = false;
    placeOpener();
    opener_->setText(kOpen);

    if (!ersterstart) {
        deleteLeftoverUpdateScript();
        UpdaterForm& updater = forms().form4();
        updater.Updatetest();
        if (updater.Visible())
            Hide(); // the updater takes over the rest of the run
        else
            ersterstart = true;
    }
}

void Form3::deleteLeftoverUpdateScript()
{
    const auto script = services().programFolder / kUpdateScript;
    if (isOrdinaryFile(script)) {
        std::error_code ec;
        std::filesystem::remove(script, ec); // a script that cannot be deleted is left alone
    }
    // A killed update leaves its staging folder and half-downloaded files behind.
    removeUpdateLeftovers(services().programFolder);
}

void Form3::Form_Unload()
{
    if (!starten)
        services().endProgram();
}

void Form3::Combo1_Click()
{
    Load();
    command1_->setEnabled(true);
}

void Form3::Command1_Click()
{
    Load();
    const int index = combo1_->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= levelNames_.size())
        return; // nothing selected: the button is disabled then
    levelpfad = levelNames_[static_cast<std::size_t>(index)];
    // A position beyond the 16-bit range is not remembered rather than stored wrapped.
    ausgewähltesLevel = index <= std::numeric_limits<std::int16_t>::max() ? static_cast<std::int16_t>(index) : 0;
    Spielerfarbe = colourValueText(rgbOfColourValue(shape1_->fill()));
    starten = true;
    Unload();
    starten = false;
    Form& game = forms().form1();
    game.Load();
    if (game.isLoaded()) // its load closes it again when the level picture is missing
        game.Show();
}

void Form3::opener_Click()
{
    Load();
    if (!geöffnet) {
        setOuterHeight(kExpandedHeight);
        geöffnet = true;
        opener_->setText(kClose);
    } else {
        setOuterHeight(kCollapsedHeight);
        geöffnet = false;
        opener_->setText(kOpen);
    }
    placeOpener();
}

void Form3::placeOpener()
{
    Window* w = window();
    if (!w)
        return;
    PixelRect bar = opener_->geometry();
    bar.y = w->clientSize().height - bar.height;
    opener_->setGeometry(bar);
    // The version caption and the colour rows lie below the collapsed window's bar, as
    // designed; how much of them a collapsed window would still show depends on the window
    // system's frame and scale, so collapsed shows none of them. Expanded, each shows where it is
    // whole above the bar.
    const auto showIfWhole = [this, barTop = bar.y](Control* control) {
        control->setVisible(geöffnet && control->geometry().bottom() <= barTop);
    };
    showIfWhole(version_);
    for (std::size_t k = 0; k < 3; ++k) {
        showIfWhole(hscroll1_[k]);
        showIfWhole(farbpunkt_[k]);
        showIfWhole(label2_[k]);
    }
}

void Form3::clientAreaResized() { placeOpener(); }

void Form3::HScroll1_Scroll(int index) { updateColourRow(index); }

void Form3::HScroll1_Change(int index) { updateColourRow(index); }

void Form3::updateColourRow(int index)
{
    Load();
    if (index < 0 || index > 2)
        return;
    const auto k = static_cast<std::size_t>(index);
    const int value = hscroll1_[k]->value();
    setRowCaption(index, value);
    farbpunkt_[k]->setFill(rowColour(index, value));
    shape1_->setFill(colourValue(Rgb{static_cast<std::uint8_t>(hscroll1_[0]->value()),
                                     static_cast<std::uint8_t>(hscroll1_[1]->value()),
                                     static_cast<std::uint8_t>(hscroll1_[2]->value())}));
}

void Form3::setRowCaption(int index, int value)
{
    Label* label = label2_[static_cast<std::size_t>(index)];
    label->setText(rowPrefix(index) + std::to_string(value));
    // A wider font than the design's must not cut the number off; there is room up to the bar.
    PixelRect place = label->geometry();
    place.width = std::max(pxX(975), label->textWidth());
    label->setGeometry(place);
}

std::string Form3::VersionCaption()
{
    Load();
    return version_->text();
}

Label* Form3::Label1() { return loaded(label1_); }

DropDownList* Form3::Combo1() { return loaded(combo1_); }

Shape* Form3::Shape1() { return loaded(shape1_); }

CommandButton* Form3::Command1() { return loaded(command1_); }

Label* Form3::Version() { return loaded(version_); }

HScrollBar* Form3::HScroll1(int index)
{
    Load();
    return index >= 0 && index < 3 ? hscroll1_[static_cast<std::size_t>(index)] : nullptr;
}

Shape* Form3::Farbpunkt(int index)
{
    Load();
    return index >= 0 && index < 3 ? farbpunkt_[static_cast<std::size_t>(index)] : nullptr;
}

Label* Form3::Label2(int index)
{
    Load();
    return index >= 0 && index < 3 ? label2_[static_cast<std::size_t>(index)] : nullptr;
}

Label* Form3::opener() { return loaded(opener_); }

} // namespace hopplix
