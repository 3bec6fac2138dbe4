#include "forms/qt/CaptionFit.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QStyle>
#include <QVariant>
#include <cmath>

namespace hopplix {

namespace {

constexpr const char* kDesignedFont = "hopplixDesignedFont";
constexpr double kStepPoints = 0.25;

} // namespace

QFont captionFont(double points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica"),
                      QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

bool captionFits(const QLabel& label, const QFont& font, const QString& text)
{
    if (text.isEmpty())
        return true;
    const QRectF area = label.contentsRect();
    const QFontMetricsF metrics(font);
    const Qt::Alignment align = QStyle::visualAlignment(label.layoutDirection(), label.alignment());

    // Where the label puts the line: its advance box by the horizontal alignment, its baseline
    // by the vertical one; the ink is the glyphs' tight box around that baseline.
    const double advance = metrics.horizontalAdvance(text);
    double x = area.left();
    if (align & Qt::AlignHCenter)
        x += (area.width() - advance) / 2;
    else if (align & Qt::AlignRight)
        x += area.width() - advance;
    double baseline = area.top() + metrics.ascent();
    if (align & Qt::AlignVCenter)
        baseline += (area.height() - metrics.height()) / 2;
    else if (align & Qt::AlignBottom)
        baseline = area.bottom() - metrics.descent();
    // Glyphs land on whole pixels.
    const QRectF ink = metrics.tightBoundingRect(text).translated(std::round(x), std::round(baseline));
    return ink.left() >= area.left() && ink.right() <= area.right() && ink.top() >= area.top()
           && ink.bottom() <= area.bottom();
}

QFont designedFont(const QLabel& label)
{
    const QVariant stored = label.property(kDesignedFont);
    return stored.isValid() ? stored.value<QFont>() : label.font();
}

void setFittedText(QLabel& label, const QString& text)
{
    const QFont designed = designedFont(label);
    label.setProperty(kDesignedFont, designed);

    QFont font = designed;
    const double points = designed.pointSizeF();
    if (points > 0) {
        const double floor = points / 2;
        for (double size = points; !captionFits(label, font, text) && size - kStepPoints >= floor;) {
            size -= kStepPoints;
            font.setPointSizeF(size);
        }
    }

    QString shown = text;
    QString tip;
    if (!captionFits(label, font, text)) {
        shown = QFontMetricsF(font).elidedText(text, Qt::ElideMiddle, label.contentsRect().width());
        tip = text;
    }
    label.setFont(font);
    label.setToolTip(tip);
    label.setText(shown);
}

} // namespace hopplix
