#include "app/Forms.h"
#include "support/test_services.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace hopplix {
namespace {

TEST(FormLifetime, RegistryOpensNoWindowUntilAFormIsUsed)
{
    const auto before = QApplication::topLevelWidgets().size();
    test::TestPlatform platform;
    Forms forms(platform.services("/nonexistent-program-folder"));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
}

} // namespace
} // namespace hopplix
