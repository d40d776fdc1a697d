// The clipboard tests talk to a real X server (xvfb-run gives each run its own) through one
// widget application shared by the whole program.
#include <gtest/gtest.h>

#include <QApplication>

#include "xclip.h"

namespace {

class ClipboardApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() || qEnvironmentVariableIsEmpty("DISPLAY")) return;
        qputenv("QT_QPA_PLATFORM", "xcb");
        app_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        if (app_) korvel::test::releaseXclip();
        delete app_;
        app_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[24] = "korvel_tests_clipboard";
    char* argv_[2] = {name_, nullptr};
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kClipboardApplication =
    ::testing::AddGlobalTestEnvironment(new ClipboardApplication);

}  // namespace
