// Includes that go down the floors.
#include "common/Rounding.h"
#include "game/Playfield.h"
#include <vector>
