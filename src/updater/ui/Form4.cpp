#include "updater/ui/Form4.h"

#include "common/NameCase.h"
#include "common/Numbers.h"
#include "common/Paths.h"
#include "forms/FormRegistry.h"
#include "forms/WindowSystem.h"
#include "updater/UpdateCheck.h"
#include "updater/UpdateFiles.h"
#include "updater/UpdateTexts.h"

namespace hopplix {

namespace {

// What the player reads in this window, beside the updater's texts (updater/UpdateTexts.h).
constexpr const char* kCaption = "Update...";
constexpr const char* kDesignFileCaption = "Datei: 1/1 'Dateiname'";
constexpr const char* kCancel = "Abbrechen";

constexpr double kClientWidth = 6735;
constexpr double kClientHeight = 2130;
constexpr double kTrackWidth = 6514;

} // namespace

Form4::Form4(FormRegistry& forms) : UpdaterForm(forms) {}

Form4::~Form4() = default;

void Form4::createControls(Window& window)
{
    window.setFixedDialog(false);
    window.setCaption(kCaption);
    window.setClientSize({pxX(kClientWidth), pxY(kClientHeight)});

    label1_ = &window.addLabel();
    label1_->setName("Label1");
    label1_->setGeometry({pxX(0), pxY(0), pxX(kClientWidth), pxY(975)});
    label1_->setAlignment(Alignment::TopCentre);
    label1_->setFont(Font{{}, 36, true});
    label1_->setShrinkToFit(true);
    label1_->setText(kCaption);

    shape1_ = &window.addShape(Shape::Kind::Rectangle);
    shape1_->setName("Shape1");
    shape1_->setFill(0xFFC0C0); // (192, 192, 255)
    shape1_->setGeometry({pxX(120), pxY(1200), pxX(kTrackWidth), pxY(495)});
    shape2_ = &window.addShape(Shape::Kind::Rectangle);
    shape2_->setName("Shape2");
    shape2_->setFill(0xFF8080); // (128, 128, 255)
    shape2Width_ = kTrackWidth;
    shape2_->setGeometry({pxX(120), pxY(1200), pxX(shape2Width_), pxY(495)});
    shape2_->raise();

    label2_ = &window.addLabel();
    label2_->setName("Label2");
    label2_->setGeometry({pxX(0), pxY(1800), pxX(kClientWidth), pxY(255)});
    label2_->setAlignment(Alignment::TopCentre);
    label2_->setFont(Font{});
    label2_->setShrinkToFit(true);
    label2_->setText(kDesignFileCaption);

    // Shown only while files download, beside the caption.
    command1_ = &window.addCommandButton();
    command1_->setName("Command1");
    command1_->setCaption(kCancel);
    command1_->setGeometry({pxX(5295), pxY(120), pxX(1320), pxY(375)});
    command1_->setVisible(false);
    command1_->onClick = [this] { cancelled_ = true; };

    timer1_ = &window.addTimer();
    timer1_->setInterval(5000);
    timer1_->onTimer = [this] { Timer1_Timer(); };
    timer2_ = &window.addTimer();
    timer2_->setInterval(500);
    timer2_->onTimer = [this] { Timer2_Timer(); };
}

void Form4::controlsDestroyed()
{
    label1_ = label2_ = nullptr;
    shape1_ = shape2_ = nullptr;
    timer1_ = timer2_ = nullptr;
    command1_ = nullptr;
}

void Form4::Form_Unload()
{
    // Closed while files download: the player gives the update up.
    if (downloading_)
        cancelled_ = true;
    // Closed during the hand-over: the launcher is hidden already, so waiting timers would leave
    // a program without a window. The hand-over happens now instead.
    if (timer1_ && timer1_->isEnabled())
        Timer1_Timer();
}

Label* Form4::Label1() { return loaded(label1_); }

Label* Form4::Label2() { return loaded(label2_); }

Shape* Form4::Shape1() { return loaded(shape1_); }

Shape* Form4::Shape2() { return loaded(shape2_); }

Timer* Form4::Timer1() { return loaded(timer1_); }

Timer* Form4::Timer2() { return loaded(timer2_); }

CommandButton* Form4::Command1() { return loaded(command1_); }

double Form4::Shape2Width() { return loaded(shape2Width_); }

UpdateSetup Form4::setup() const
{
    const Services& s = forms().services();
    UpdateSetup setup{s.programFolder, programBaseName(), s.updateServer};
    setup.publicKey = s.updateKey;
    setup.announcedVersion = neueVersion;
    if (s.canStartUpdateScript)
        setup.canHandOver = [check = s.canStartUpdateScript, folder = s.programFolder] { return check(folder); };
    return setup;
}

std::string Form4::installedVersion() { return forms().form3().VersionCaption(); }

void Form4::Updatetest()
{
    Load();
    Services& s = forms().services();
    if (!s.downloader)
        return;
    const auto found =
        checkForNewerVersion(setup(), *s.downloader, installedVersion(), systemNumberFormat(), neueVersion);
    if (found == VersionCheck::Newer)
        Updateholen();
}

void Form4::Updateholen()
{
    Services& s = forms().services();
    hopplix::Updateholen(setup(), *s.downloader, s.messages, *this);
}

void Form4::Timer1_Timer()
{
    Services& s = forms().services();
    if (timer1_)
        timer1_->setEnabled(false);
    if (timer2_)
        timer2_->setEnabled(false);
    // The script swaps X.exe for X.dxe: without X.dxe it would only delete the program.
    const auto newProgram = s.programFolder / newProgramFileOf(setup().programName);
    if (FileExists(newProgram) && s.startUpdateScript && !s.startUpdateScript(s.programFolder)) {
        // Nothing has been replaced yet: the old version stays whole, without the update's files.
        std::error_code ec;
        std::filesystem::remove(newProgram, ec);
        std::filesystem::remove(s.programFolder / kUpdateScript, ec);
        removeUpdateLeftovers(s.programFolder);
        s.messages.MsgBox(std::string(kUpdateFailed), mb::vbOKOnly | mb::vbCritical, std::string(kErrorTitle));
    }
    s.endProgram();
}

void Form4::Timer2_Timer()
{
    Label* label = Label1();
    // The caption blinks.
    label->setText(sameName(label->text(), kUpdateSucceeded) ? std::string() : std::string(kUpdateSucceeded));
}

void Form4::setStatusCaption(const std::string& caption) { Label1()->setText(caption); }

void Form4::setFileCaption(const std::string& caption)
{
    if (downloading_ && !isLoaded())
        return; // closed to give up: not opened again for a caption
    Label2()->setText(caption);
}

double Form4::trackWidth() { return kTrackWidth; }

double Form4::fillWidth() { return Shape2Width(); }

void Form4::setFillWidth(double twips)
{
    Shape* fill = Shape2();
    shape2Width_ = twips;
    fill->setGeometry({pxX(120), pxY(1200), pxX(twips), pxY(495)});
}

void Form4::showInFront()
{
    Show();
    if (Window* w = window()) {
        w->raise();
        w->activate();
    }
}

void Form4::hide()
{
    if (isLoaded())
        Hide();
}

void Form4::offerCancel(bool offered)
{
    downloading_ = offered;
    cancelled_ = false;
    if (command1_)
        command1_->setVisible(offered);
}

bool Form4::cancelled() { return cancelled_; }

void Form4::startHandOverTimers()
{
    Timer1()->setEnabled(true);
    Timer2()->setEnabled(true);
}

void Form4::refresh()
{
    // While files download the player may give up (the only input that does anything then);
    // otherwise the window system's exposure and paint events only.
    windowSystem().processEvents(downloading_);
    if (Window* w = window())
        w->repaintNow();
}

} // namespace hopplix
