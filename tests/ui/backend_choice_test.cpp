#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "ui/ui.h"

namespace ordo {
namespace {

// Sets DISPLAY for one test and puts the caller's value back afterwards.
class DisplayVariable : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* v = std::getenv("DISPLAY")) saved_ = v;
    }
    void TearDown() override {
        if (saved_)
            ::setenv("DISPLAY", saved_->c_str(), 1);
        else
            ::unsetenv("DISPLAY");
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(DisplayVariable, WithoutADisplayTheProgramRunsOnTheTextInterface) {
    ::unsetenv("DISPLAY");
    EXPECT_EQ(CreateUiBackend()->Name(), "headless");
    ::setenv("DISPLAY", "", 1);
    EXPECT_EQ(CreateUiBackend()->Name(), "headless");
}

TEST_F(DisplayVariable, ADisplayThatDoesNotOpenFallsBackInsteadOfEndingTheProgram) {
    ::setenv("DISPLAY", ":59999", 1);
    auto ui = CreateUiBackend();
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->Name(), "headless");
    EXPECT_GT(ui->WorkArea().Width(), 0);
}

}  // namespace
}  // namespace ordo
