// A window that includes another subsystem's window instead of asking the registry.
#include "forms/FormRegistry.h"
#include "game/ui/Form1.h"
#include <QWidget>
