#pragma once
#include <QIcon>
#include <QImage>

namespace hopplix {

// The game window's icon: one 40 x 40 picture, 24 bits per pixel, a small level in the
// legend's colours (ground, a goal, the red player).
QImage gameIconImage();
QIcon gameIcon();

} // namespace hopplix
