// The main of the application's test executables: GoogleTest with one QApplication, made only when
// tests run (listing them needs no display), on the offscreen platform unless told otherwise.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

#include "app/kit/motion.h"
#include "core/base/defaults.h"

namespace {
int qtArgc = 1;
char qtArg0[] = "tests";
char* qtArgv[] = {qtArg0, nullptr};

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // Tests never read or write the user's settings file.
        orvane::setUserDefaults(std::make_shared<orvane::FileDefaults>());
        // Every state change lands at once; a test that wants motion turns it back on.
        orvane::kit::setAnimationsEnabled(false);
        app_ = std::make_unique<QApplication>(qtArgc, qtArgv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);
    return RUN_ALL_TESTS();
}
