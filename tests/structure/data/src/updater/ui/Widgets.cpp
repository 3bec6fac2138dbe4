// A window that reaches past the control model.

#include <QLabel>
