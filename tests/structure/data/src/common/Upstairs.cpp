// A file of the lowest floors that reaches up three ways.
#include "common/Numbers.h"
#include "game/Engine.h"
#include <QImage>
#include <unistd.h>
