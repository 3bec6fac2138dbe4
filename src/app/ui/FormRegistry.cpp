#include "app/ui/FormRegistry.h"

#include "game/ui/Form1.h"
#include "game/ui/Form2.h"
#include "launcher/ui/Form3.h"
#include "updater/ui/Form4.h"

namespace hopplix {

FormRegistry::FormRegistry(Services services)
    : services_(std::move(services)),
      form1_(std::make_unique<Form1>(*this)),
      form2_(std::make_unique<Form2>(*this)),
      form3_(std::make_unique<Form3>(*this)),
      form4_(std::make_unique<Form4>(*this))
{
}

FormRegistry::~FormRegistry() = default;

} // namespace hopplix
