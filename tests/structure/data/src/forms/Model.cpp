// The portable form model with a widget in it.

#include <QWidget>
