#include "app/Forms.h"

namespace hopplix {

Forms::Forms(Services services, const PictureDecoder& pictures)
    : FormRegistry(std::move(services)), form1_(std::make_unique<Form1>(*this, pictures)),
      form2_(std::make_unique<Form2>(*this)), form3_(std::make_unique<Form3>(*this)),
      form4_(std::make_unique<Form4>(*this))
{}

// The windows go first, in reverse order, while the services they may still use are there.
Forms::~Forms() = default;

} // namespace hopplix
