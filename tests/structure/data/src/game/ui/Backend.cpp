// A window that picks its backend itself.

#include "forms/qt/QtWindowSystem.h"
