#pragma once
#include "app/ui/Form.h"

namespace hopplix {

// Placeholder window "Update..."; filled in by its subsystem.
class Form4 : public Form {
public:
    using Form::Form;

protected:
    std::unique_ptr<FormWindow> createWindow() override;
};

} // namespace hopplix
