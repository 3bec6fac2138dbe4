#include "platform/DynamicLibrary.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace hopplix;

namespace {

TEST(DynamicLibrary, LoadsOurLibraryAndFindsItsFunction)
{
    const std::filesystem::path file = HOPPLIX_TEST_MODULE;
    ASSERT_EQ(file.filename().string(), libraryFileName("hopplix-test-module"));
    DynamicLibrary library(file);
    ASSERT_TRUE(library.isOpen()) << library.error();
    const auto answer = reinterpret_cast<int (*)()>(library.function("hopplix_test_answer"));
    ASSERT_NE(answer, nullptr) << library.error();
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library.function("hopplix_no_such_function"), nullptr);
    EXPECT_FALSE(library.error().empty());
}

TEST(DynamicLibrary, MissingOrBrokenLibraryStaysClosedAndSaysWhy)
{
    test::TempFolder folder;
    for (const auto& file :
         {folder.path() / libraryFileName("missing"), folder.write(libraryFileName("broken"), "not a library")}) {
        DynamicLibrary library(file);
        EXPECT_FALSE(library.isOpen());
        EXPECT_FALSE(library.error().empty());
        EXPECT_EQ(library.function("hopplix_test_answer"), nullptr);
    }
}

} // namespace
