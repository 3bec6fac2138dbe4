#pragma once
#include "app/ui/Form.h"

namespace hopplix {

// Placeholder window "Hopplix"; filled in by its subsystem.
class Form1 : public Form {
public:
    using Form::Form;

protected:
    std::unique_ptr<FormWindow> createWindow() override;
};

} // namespace hopplix
