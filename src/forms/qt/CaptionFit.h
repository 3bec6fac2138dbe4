#pragma once
// Captions that fit their labels. The windows were laid out for a narrow sans-serif face; with
// a wider one (or none of the intended faces installed) a caption could overflow its label and
// be cut off at both ends or at its descenders. A fitted caption is drawn in its label's
// designed font when it fits, otherwise in the largest smaller size that fits, so a word is
// never cut. Below half the designed size (only a long file name gets there) the middle of
// the text gives way to "…" and the whole text becomes the label's tool tip.

#include <QFont>
#include <QString>

class QLabel;

namespace hopplix {

// The sans-serif font the captions are designed in: Liberation Sans, or a face metrically
// alike (Arial, Helvetica, Arimo), before any other sans-serif face.
QFont captionFont(double points, bool bold);

// Whether the text's ink, placed by the label's alignment within its contents, lies inside
// them when drawn in `font`.
bool captionFits(const QLabel& label, const QFont& font, const QString& text);

// Sets the label's caption in the largest size, up to its designed one, at which it fits. The
// label's font at the first call is its designed font.
void setFittedText(QLabel& label, const QString& text);

// The label's designed font (its font before any fitting).
QFont designedFont(const QLabel& label);

} // namespace hopplix
