#include "launcher/ui/Form3.h"

#include "forms/FormRegistry.h"
#include "common/Paths.h"
#include "forms/CaptionFit.h"
#include "forms/ClickLabel.h"
#include "forms/ShapeWidget.h"
#include "launcher/LevelList.h"
#include "common/Codepage.h"
#include "common/ColourText.h"
#include "common/BuildVersion.h"
#include "updater/UpdateFiles.h"
#include "updater/UpdateInstall.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStringDecoder>
#include <algorithm>
#include <limits>
#include <system_error>

namespace hopplix {

namespace {

// Design sizes in twips.
constexpr double kClientWidth = 6120;
constexpr double kClientHeight = 4590;
constexpr double kCollapsedHeight = 2730;
constexpr double kExpandedHeight = 5000;

const QColor kOpenerColour(90, 172, 255);

QColor toQColor(Rgb c) { return QColor(c.red, c.green, c.blue); }

Rgb toRgb(const QColor& c)
{
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

QString rowPrefix(int index)
{
    switch (index) {
    case 0: return QStringLiteral("Rot: ");
    case 1: return QStringLiteral("Grün: ");
    default: return QStringLiteral("Blau: ");
    }
}

// A level name as the list shows it. Names are bytes: UTF-8 as written here, or Windows-1252
// from an old zip file, which is shown as Windows shows it.
QString shownName(const std::string& name)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromStdString(win1252ToUtf8(name));
}

QColor rowColour(int index, int value)
{
    return QColor(index == 0 ? value : 0, index == 1 ? value : 0, index == 2 ? value : 0);
}

} // namespace

Form3::Form3(FormRegistry& forms) : LauncherForm(forms) {}

Form3::~Form3() = default;

std::unique_ptr<FormWindow> Form3::createWindow()
{
    auto window = std::make_unique<FormWindow>(*this);
    window->setWindowTitle(QStringLiteral("Levelauswahl"));
    window->makeFixedDialog();
    window->resize(pxX(kClientWidth), pxY(kClientHeight));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Highlight));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    QWidget* w = window.get();

    const auto place = [this](QWidget* control, double left, double top, double width, double height) {
        control->setGeometry(pxX(left), pxY(top), pxX(width), pxY(height));
    };

    label1_ = new QLabel(w);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setFont(captionFont(18, true));
    label1_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    place(label1_, 240, 360, 5655, 375);

    combo1_ = new QComboBox(w);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setEditable(false);
    combo1_->setFont(captionFont(13.5, true));
    place(combo1_, 240, 840, 5655, 480);

    shape1_ = new ShapeWidget(ShapeWidget::Kind::RoundedRectangle, QColor(255, 0, 0), w);
    shape1_->setObjectName(QStringLiteral("Shape1"));
    shape1_->setBorderColor(Qt::black);
    place(shape1_, 240, 1440, 495, 495);

    command1_ = new QPushButton(QStringLiteral("Start"), w);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setEnabled(false);
    place(command1_, 960, 1440, 4815, 495);

    version_ = new QLabel(QString::fromUtf8(buildVersion().data(), static_cast<qsizetype>(buildVersion().size())), w);
    version_->setObjectName(QStringLiteral("Version"));
    place(version_, 1560, 2040, 615, 255);

    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double rowTop = 600.0 * i;
        const int initial = i == 0 ? 255 : 0;

        auto* bar = new QScrollBar(Qt::Horizontal, w);
        bar->setObjectName(QStringLiteral("HScroll1_%1").arg(i));
        bar->setRange(0, 255);
        bar->setSingleStep(1); // the arrows
        bar->setPageStep(20);  // a click in the track
        bar->setValue(initial);
        place(bar, 1800, 2400 + rowTop, 4095, 495);
        hscroll1_[k] = bar;

        auto* dot = new ShapeWidget(ShapeWidget::Kind::Circle, rowColour(i, initial), w);
        dot->setObjectName(QStringLiteral("Farbpunkt_%1").arg(i));
        dot->setBorderColor(Qt::black);
        place(dot, 240, 2520 + rowTop, 255, 255);
        farbpunkt_[k] = dot;

        auto* label = new QLabel(w);
        label->setObjectName(QStringLiteral("Label2_%1").arg(i));
        label->setFont(captionFont(9.75, true));
        place(label, 600, 2520 + rowTop, 975, 255);
        label2_[k] = label;
        setRowCaption(i, initial);
    }

    opener_ = new ClickLabel(w);
    opener_->setObjectName(QStringLiteral("opener"));
    opener_->setFont(captionFont(9.75, true));
    opener_->setAlignment(Qt::AlignCenter);
    opener_->setAutoFillBackground(true);
    QPalette bar = opener_->palette();
    bar.setColor(QPalette::Window, kOpenerColour);
    opener_->setPalette(bar);
    place(opener_, 0, 4320, 6135, 255);

    // Connected after the design state is set, so creating the window runs no handler.
    QObject::connect(combo1_, &QComboBox::activated, w, [this](int) { Combo1_Click(); });
    QObject::connect(command1_, &QPushButton::clicked, w, [this] { Command1_Click(); });
    QObject::connect(opener_, &ClickLabel::clicked, w, [this] { opener_Click(); });
    for (int i = 0; i < 3; ++i) {
        QScrollBar* bar3 = hscroll1_[static_cast<std::size_t>(i)];
        QObject::connect(bar3, &QScrollBar::sliderMoved, w, [this, i](int) { HScroll1_Scroll(i); });
        QObject::connect(bar3, &QScrollBar::valueChanged, w, [this, i](int) { HScroll1_Change(i); });
    }
    return window;
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
            shape1_->setFillColor(toQColor(*colour));
    }

    combo1_->clear();
    levelNames_ = listLevels(levelsFolder(services().programFolder));
    for (const std::string& name : levelNames_)
        combo1_->addItem(shownName(name));
    combo1_->setCurrentIndex(-1); // adding the first entry selected it

    setFittedText(*label1_, levelNames_.empty() ? QStringLiteral("Es wurden keine Level gefunden")
                                                : QStringLiteral("Hier Level auswählen"));

    // The first entry is never restored: position 0 also stands for "nothing chosen yet".
    if (ausgewähltesLevel > 0 && ausgewähltesLevel < combo1_->count()) {
        combo1_->setCurrentIndex(ausgewähltesLevel);
        Combo1_Click();
    }

    setOuterHeight(kCollapsedHeight);
    geöffnet = false;
    placeOpener();
    opener_->setText(QStringLiteral("<<< >>>"));

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
    Spielerfarbe = colourValueText(toRgb(shape1_->fillColor()));
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
        opener_->setText(QStringLiteral(">>> <<<"));
    } else {
        setOuterHeight(kCollapsedHeight);
        geöffnet = false;
        opener_->setText(QStringLiteral("<<< >>>"));
    }
    placeOpener();
}

void Form3::placeOpener()
{
    if (FormWindow* w = window())
        opener_->move(0, w->height() - opener_->height());
    // Collapsed, the bar would cover some controls in part: the version caption inside a window
    // frame, the top of the first colour row without one. They show only where they are whole.
    const int barTop = opener_->y();
    const auto showIfWhole = [barTop](QWidget* control) { control->setVisible(control->geometry().bottom() < barTop); };
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
    farbpunkt_[k]->setFillColor(rowColour(index, value));
    shape1_->setFillColor(QColor(hscroll1_[0]->value(), hscroll1_[1]->value(), hscroll1_[2]->value()));
}

void Form3::setRowCaption(int index, int value)
{
    QLabel* label = label2_[static_cast<std::size_t>(index)];
    label->setText(rowPrefix(index) + QString::number(value));
    // A wider font than the design's must not cut the number off; there is room up to the bar.
    label->resize(std::max(pxX(975), label->sizeHint().width()), label->height());
}

std::string Form3::VersionCaption()
{
    Load();
    return version_->text().toStdString();
}

QLabel* Form3::Label1() { return loaded(label1_); }

QComboBox* Form3::Combo1() { return loaded(combo1_); }

ShapeWidget* Form3::Shape1() { return loaded(shape1_); }

QPushButton* Form3::Command1() { return loaded(command1_); }

QLabel* Form3::Version() { return loaded(version_); }

QScrollBar* Form3::HScroll1(int index)
{
    Load();
    return index >= 0 && index < 3 ? hscroll1_[static_cast<std::size_t>(index)] : nullptr;
}

ShapeWidget* Form3::Farbpunkt(int index)
{
    Load();
    return index >= 0 && index < 3 ? farbpunkt_[static_cast<std::size_t>(index)] : nullptr;
}

QLabel* Form3::Label2(int index)
{
    Load();
    return index >= 0 && index < 3 ? label2_[static_cast<std::size_t>(index)] : nullptr;
}

ClickLabel* Form3::opener() { return loaded(opener_); }

} // namespace hopplix
