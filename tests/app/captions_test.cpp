// Every caption of the launcher and the update window fits its control, drawn with the fonts
// the system really has, and none is covered in part: run on a real X server with a window
// manager that frames the windows (see tests/app/CMakeLists.txt).

#include "app/Forms.h"
#include "forms/qt/CaptionFit.h"
#include "forms/qt/QtWindowSystem.h"
#include "launcher/ui/Form3.h"
#include "support/temp_folder.h"
#include "support/test_services.h"
#include "updater/ui/Form4.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace hopplix {
namespace {

using test::TempFolder;

// The four forms on the Qt backend.
struct QtForms {
    explicit QtForms(const std::filesystem::path& program)
    {
        Services services = platform.services(program);
        services.windows = &qt;
        forms = std::make_unique<Forms>(std::move(services), pictures);
    }
    ~QtForms()
    {
        forms.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    test::TestPlatform platform;
    QtWindowSystem qt;
    BmpPictureDecoder pictures;
    std::unique_ptr<Forms> forms;
};

QLabel& qlabel(Label* label) { return *static_cast<QLabel*>(widgetOf(*label)); }

// Where the label's text puts ink when drawn as the label draws it but without clipping, in
// the label's coordinates; empty for no ink.
QRect inkOf(const QLabel& label, const QFont& font)
{
    constexpr int margin = 400;
    QImage image(label.width() + 2 * margin, label.height() + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(label.contentsRect().translated(margin, margin),
                     static_cast<int>(label.alignment()) | Qt::TextDontClip, label.text());
    painter.end();
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                ink |= QRect(x - margin, y - margin, 1, 1);
    return ink;
}

// The caption is whole inside its label, and, when it had to be shrunk, a quarter point more
// would not have been whole.
void expectFits(const QLabel& label)
{
    SCOPED_TRACE(label.objectName().toStdString() + " \"" + label.text().toStdString() + "\"");
    const QRect ink = inkOf(label, label.font());
    EXPECT_FALSE(ink.isEmpty());
    EXPECT_TRUE(label.rect().contains(ink)) << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
                                            << ink.height() << " in " << label.width() << "x" << label.height();
    const double designed = designedFont(label).pointSizeF();
    if (label.font().pointSizeF() < designed && label.toolTip().isEmpty()) {
        QFont larger = label.font();
        larger.setPointSizeF(label.font().pointSizeF() + 0.25);
        EXPECT_FALSE(label.rect().contains(inkOf(label, larger))) << "shrunk more than needed";
    }
}

// With HOPPLIX_SCREENSHOTS set to a folder, the form's client area as the player sees it goes
// there (docs/ holds such pictures).
void screenshot(Form& form, const char* name)
{
    const char* folder = std::getenv("HOPPLIX_SCREENSHOTS");
    if (!folder)
        return;
    // Framed as on a desktop, where the window manager allows.
    (void)QTest::qWaitFor([&] { return form.frameExtraPixels().height > 0; }, 5000);
    QTest::qWait(200);
    widgetOf(*form.window())->grab().save(QString::fromLocal8Bit(folder) + "/" + name);
}

void writeLevel(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(QString::fromStdString((folder / "Level.bmp").string()), "BMP"));
}

TEST(Captions, LauncherCaptionsFitTheirControls)
{
    for (const bool withLevel : {false, true}) {
        TempFolder program;
        if (withLevel)
            writeLevel(program.path() / "Level" / "Wald");
        QtForms run(program.path());
        Form3& launcher = run.forms->form3();
        launcher.Show();
        if (!withLevel)
            screenshot(launcher, "launcher-no-levels.png");

        // The heading is drawn in the face the window was laid out for, not a wider stand-in.
        const QString family = QFontInfo(qlabel(launcher.Label1()).font()).family();
        EXPECT_TRUE(family == "Liberation Sans" || family == "Arial" || family == "Arimo") << family.toStdString();

        expectFits(qlabel(launcher.Label1()));
        expectFits(qlabel(launcher.Version()));
        EXPECT_LE(widgetOf(*launcher.Command1())->sizeHint().width(), widgetOf(*launcher.Command1())->width());
        for (int i = 0; i < 3; ++i) {
            launcher.HScroll1(i)->setValue(255);
            expectFits(qlabel(launcher.Label2(i)));
        }
        expectFits(qlabel(launcher.opener()));
        launcher.opener_Click();
        expectFits(qlabel(launcher.opener()));
    }
}

// Each control below the Start button is whole above the bar or not shown.
bool noControlHalfCovered(Form3& launcher)
{
    std::vector<Control*> controls{launcher.Version()};
    for (int i = 0; i < 3; ++i)
        controls.insert(controls.end(), {launcher.HScroll1(i), launcher.Farbpunkt(i), launcher.Label2(i)});
    for (Control* control : controls)
        if (widgetOf(*control)->isVisible() && control->geometry().bottom() > launcher.opener()->geometry().y)
            return false;
    return true;
}

// Regression: inside a window frame the collapsed launcher showed the top half of the version
// caption above the bar.
TEST(Captions, VersionIsNeverHalfCoveredByTheBar)
{
    TempFolder program;
    QtForms run(program.path());
    Form3& launcher = run.forms->form3();
    launcher.Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return launcher.frameExtraPixels().height > 0; }, 10000))
        << "the window manager put no frame around the launcher";

    EXPECT_TRUE(noControlHalfCovered(launcher));
    EXPECT_FALSE(widgetOf(*launcher.Version())->isVisible()) << "collapsed, the framed window has no room for it";
    launcher.opener_Click();
    EXPECT_TRUE(noControlHalfCovered(launcher));
    EXPECT_TRUE(widgetOf(*launcher.Version())->isVisible()) << "expanded, it has";
    launcher.opener_Click();
    EXPECT_TRUE(noControlHalfCovered(launcher));
}

TEST(Captions, UpdateWindowCaptionsFitTheirControls)
{
    TempFolder program;
    QtForms run(program.path());
    Form4& updater = run.forms->form4();
    updater.Show();
    QLabel& label1 = qlabel(updater.Label1());
    QLabel& label2 = qlabel(updater.Label2());

    expectFits(label1);
    updater.Timer2_Timer(); // the success caption, as the hand-over shows it
    ASSERT_EQ(label1.text(), "Update erfolgreich!");
    expectFits(label1);
    EXPECT_EQ(label1.font().pointSizeF(), 36) << "fits at its designed size";
    screenshot(updater, "update-success.png");

    expectFits(label2);
    for (const char* caption : {"Datei: Hopplix.exe 1/1", "Datei: 0/-1", "Datei: 3/5 'Rutschpartie.bmp'"}) {
        updater.Label2()->setText(caption);
        expectFits(label2);
    }
    // A file name too long for any readable size keeps both its ends; the whole is the tip.
    const QString longName = QStringLiteral("Datei: 1/1 '%1.bmp'").arg(QString(300, QChar('x')));
    updater.Label2()->setText(longName.toStdString());
    expectFits(label2);
    EXPECT_TRUE(label2.text().endsWith(".bmp'"));
    EXPECT_EQ(label2.toolTip(), longName);
}

} // namespace
} // namespace hopplix
