// The Qt backend may use Qt and the model.

#include "forms/Controls.h"
#include <QWidget>
