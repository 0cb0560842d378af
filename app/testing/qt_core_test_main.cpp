// The main of the test executables of the non-visual folders: GoogleTest with one QCoreApplication,
// made only when tests run, so no display and no widget library are needed.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

#include "core/base/defaults.h"

namespace {
int qtArgc = 1;
char qtArg0[] = "tests";
char* qtArgv[] = {qtArg0, nullptr};

class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Tests never read or write the user's settings file.
        orvane::setUserDefaults(std::make_shared<orvane::FileDefaults>());
        app_ = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);
    return RUN_ALL_TESTS();
}
