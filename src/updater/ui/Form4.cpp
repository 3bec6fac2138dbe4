#include "updater/ui/Form4.h"

#include "forms/FormRegistry.h"
#include "common/Numbers.h"
#include "common/Paths.h"
#include "forms/CaptionFit.h"
#include "forms/ShapeWidget.h"
#include "updater/UpdateCheck.h"
#include "updater/UpdateFiles.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace hopplix {

namespace {

constexpr double kClientWidth = 6735;
constexpr double kClientHeight = 2130;
constexpr double kTrackWidth = 6514;
const char* const kSuccess = "Update erfolgreich!";

} // namespace

Form4::Form4(FormRegistry& forms) : UpdaterForm(forms) {}

Form4::~Form4() = default;

std::unique_ptr<FormWindow> Form4::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->makeFixedDialog();
    window->setWindowTitle(QStringLiteral("Update..."));
    window->setFixedSize(pxX(kClientWidth), pxY(kClientHeight));

    label1_ = new QLabel(QStringLiteral("Update..."), window.get());
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setGeometry(pxX(0), pxY(0), pxX(kClientWidth), pxY(975));
    label1_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label1_->setFont(captionFont(36, true));

    shape1_ = new ShapeWidget(ShapeWidget::Kind::Rectangle, QColor(192, 192, 255), window.get());
    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setGeometry(pxX(120), pxY(1200), pxX(kTrackWidth), pxY(495));
    shape2_ = new ShapeWidget(ShapeWidget::Kind::Rectangle, QColor(128, 128, 255), window.get());
    shape2_->setObjectName(QStringLiteral("Shape2"));
    shape2Width_ = kTrackWidth;
    shape2_->setGeometry(pxX(120), pxY(1200), pxX(shape2Width_), pxY(495));
    shape2_->raise();

    label2_ = new QLabel(QStringLiteral("Datei: 1/1 'Dateiname'"), window.get());
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setGeometry(pxX(0), pxY(1800), pxX(kClientWidth), pxY(255));
    label2_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label2_->setFont(captionFont(label2_->font().pointSizeF(), false));

    // Shown only while files download, beside the caption.
    command1_ = new QPushButton(QStringLiteral("Abbrechen"), window.get());
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setGeometry(pxX(5295), pxY(120), pxX(1320), pxY(375));
    command1_->hide();
    QObject::connect(command1_, &QPushButton::clicked, window.get(), [this] { cancelled_ = true; });

    timer1_ = new QTimer(window.get());
    timer1_->setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5 % early
    timer1_->setInterval(5000);
    QObject::connect(timer1_, &QTimer::timeout, window.get(), [this] { Timer1_Timer(); });
    timer2_ = new QTimer(window.get());
    timer2_->setInterval(500);
    QObject::connect(timer2_, &QTimer::timeout, window.get(), [this] { Timer2_Timer(); });
    return window;
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
    if (timer1_ && timer1_->isActive())
        Timer1_Timer();
}

QLabel* Form4::Label1() { return loaded(label1_); }

QLabel* Form4::Label2() { return loaded(label2_); }

ShapeWidget* Form4::Shape1() { return loaded(shape1_); }

ShapeWidget* Form4::Shape2() { return loaded(shape2_); }

QTimer* Form4::Timer1() { return loaded(timer1_); }

QTimer* Form4::Timer2() { return loaded(timer2_); }

QPushButton* Form4::Command1() { return loaded(command1_); }

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
    const auto found = checkForNewerVersion(setup(), *s.downloader, installedVersion(), systemNumberFormat(), neueVersion);
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
        timer1_->stop();
    if (timer2_)
        timer2_->stop();
    // The script swaps X.exe for X.dxe: without X.dxe it would only delete the program.
    const auto newProgram = s.programFolder / newProgramFileOf(setup().programName);
    if (FileExists(newProgram) && s.startUpdateScript && !s.startUpdateScript(s.programFolder)) {
        // Nothing has been replaced yet: the old version stays whole, without the update's files.
        std::error_code ec;
        std::filesystem::remove(newProgram, ec);
        std::filesystem::remove(s.programFolder / kUpdateScript, ec);
        removeUpdateLeftovers(s.programFolder);
        s.messages.MsgBox("Update fehlgeschlagen", mb::vbOKOnly | mb::vbCritical, "Error");
    }
    s.endProgram();
}

void Form4::Timer2_Timer()
{
    QLabel* label = Label1();
    if (label->text().compare(QString::fromUtf8(kSuccess), Qt::CaseInsensitive) == 0)
        setFittedText(*label, QString());
    else
        setFittedText(*label, QString::fromUtf8(kSuccess));
}

void Form4::setStatusCaption(const std::string& caption) { setFittedText(*Label1(), QString::fromStdString(caption)); }

void Form4::setFileCaption(const std::string& caption)
{
    if (downloading_ && !isLoaded())
        return; // closed to give up: not opened again for a caption
    setFittedText(*Label2(), QString::fromStdString(caption));
}

double Form4::trackWidth() { return kTrackWidth; }

double Form4::fillWidth() { return Shape2Width(); }

void Form4::setFillWidth(double twips)
{
    ShapeWidget* fill = Shape2();
    shape2Width_ = twips;
    fill->setGeometry(pxX(120), pxY(1200), pxX(twips), pxY(495));
}

void Form4::showInFront()
{
    Show();
    if (FormWindow* w = window()) {
        w->raise();
        w->activateWindow();
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
    Timer1()->start();
    Timer2()->start();
}

void Form4::refresh()
{
    // While files download the player may give up (the only input that does anything then);
    // otherwise the window system's exposure and paint events only.
    QCoreApplication::processEvents(downloading_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    if (FormWindow* w = window(); w && w->isVisible())
        w->repaint();
}

} // namespace hopplix
