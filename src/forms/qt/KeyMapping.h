#pragma once
#include <Qt>

namespace hopplix {

// Virtual-key code of a Qt key (letters, digits, arrows, Space, Escape, Return); 0 for others.
int virtualKeyOf(int qtKey);
// Shift state as the rules pass it: 1 Shift, 2 Ctrl, 4 Alt.
int shiftStateOf(Qt::KeyboardModifiers modifiers);

} // namespace hopplix
