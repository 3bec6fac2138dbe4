// The yardstick for the launcher's start-up: a bare Qt dialog with the launcher's widgets (a
// heading, a level list, a colour preview, the Start button, the version label, three colour
// bars with their dots and captions, and the bar that opens them) in the same fonts, arranged
// by a layout as a dialog from a form designer is, at the launcher's collapsed size. Like the
// launcher, which fits its captions to their labels, it measures its texts before it shows.
// It reads no levels and checks for no update.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace {

// The launcher's filled shapes: a rounded square and three circles.
class Shape : public QWidget {
public:
    Shape(bool circle, QColor fill, QWidget* parent) : QWidget(parent), circle_(circle), fill_(fill) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::black);
        painter.setBrush(fill_);
        const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (circle_)
            painter.drawEllipse(area);
        else
            painter.drawRoundedRect(area, 4, 4);
    }

private:
    bool circle_;
    QColor fill_;
};

QFont font(double points)
{
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Levelauswahl"));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);

    auto* grid = new QGridLayout(&dialog);
    auto* heading = new QLabel(QStringLiteral("Hier Level auswählen"), &dialog);
    heading->setFont(font(18));
    heading->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    grid->addWidget(heading, 0, 0, 1, 3);
    auto* list = new QComboBox(&dialog);
    list->setFont(font(13.5));
    grid->addWidget(list, 1, 0, 1, 3);
    auto* preview = new Shape(false, Qt::red, &dialog);
    preview->setFixedSize(33, 33);
    grid->addWidget(preview, 2, 0);
    auto* start = new QPushButton(QStringLiteral("Start"), &dialog);
    start->setEnabled(false);
    grid->addWidget(start, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("1,0"), &dialog), 3, 1);
    for (int i = 0; i < 3; ++i) {
        auto* dot = new Shape(true, Qt::black, &dialog);
        dot->setFixedSize(17, 17);
        grid->addWidget(dot, 4 + i, 0);
        auto* caption = new QLabel(QStringLiteral("Rot: 255"), &dialog);
        caption->setFont(font(9.75));
        grid->addWidget(caption, 4 + i, 1);
        auto* bar = new QScrollBar(Qt::Horizontal, &dialog);
        bar->setRange(0, 255);
        grid->addWidget(bar, 4 + i, 2);
    }
    auto* opener = new QLabel(QStringLiteral("<<< >>>"), &dialog);
    opener->setFont(font(9.75));
    opener->setAlignment(Qt::AlignCenter);
    grid->addWidget(opener, 7, 0, 1, 3);
    // The launcher's collapsed size at 96 dpi (6120 x 2730 twips).
    dialog.setFixedSize(408, 182);
    dialog.show();
    return app.exec();
}
