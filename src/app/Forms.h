#pragma once
// The program's four windows, one object each for the whole run.

#include "forms/FormRegistry.h"
#include "game/ui/Form1.h"
#include "game/ui/Form2.h"
#include "launcher/ui/Form3.h"
#include "updater/ui/Form4.h"

#include <memory>

namespace hopplix {

class Forms final : public FormRegistry {
public:
    // `pictures` reads the levels' pictures; it must outlive the registry.
    Forms(Services services, const PictureDecoder& pictures);
    ~Forms() override;

    Form1& form1() override { return *form1_; }
    Form2& form2() override { return *form2_; }
    Form3& form3() override { return *form3_; }
    Form4& form4() override { return *form4_; }

private:
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form4> form4_;
};

} // namespace hopplix
