#pragma once
#include "app/ui/Form.h"

namespace hopplix {

// Placeholder window "Levelauswahl"; filled in by its subsystem.
class Form3 : public Form {
public:
    using Form::Form;

protected:
    std::unique_ptr<FormWindow> createWindow() override;
};

} // namespace hopplix
