// A main window for widget tests: scripted answers to its questions, settings in a scratch
// folder, no Jw_cad registry, and no dialog that waits for a user.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <deque>
#include <memory>

#include "app/main_window.h"
#include "test_support.h"

namespace korvel::test {

class ScriptedPrompts : public UserPrompts {
public:
    // Replies of the input box, in order; an empty optional-like entry cancels.
    struct Input {
        bool confirmed;
        QString text;
    };
    std::deque<Input> inputs;
    QStringList informations;
    QStringList questions;
    bool answerYes = false;
    std::deque<FileChoice> files;  // answers of the file dialogs; none left cancels
    std::deque<uint32_t> colours;  // answers of the colour chooser; none left cancels
    QList<QDialog*> shown;

    void information(const QString& text) override { informations << text; }
    bool question(const QString& text) override {
        questions << text;
        return answerYes;
    }
    bool inputText(const QString&, const QString&, QString& text) override {
        if (inputs.empty()) return false;
        const Input next = inputs.front();
        inputs.pop_front();
        text = next.text;
        return next.confirmed;
    }
    bool openFile(const QString&, const QString&, FileChoice& choice) override { return nextFile(choice); }
    bool saveFile(const QString&, const QString&, FileChoice& choice) override { return nextFile(choice); }
    bool chooseColor(uint32_t& colour) override {
        if (colours.empty()) return false;
        colour = colours.front();
        colours.pop_front();
        return true;
    }
    bool chooseFolder(QString&) override { return false; }
    void showModal(QDialog& dialog) override { shown << &dialog; }

private:
    bool nextFile(FileChoice& choice) {
        if (files.empty()) return false;
        choice = files.front();
        files.pop_front();
        return true;
    }
};

// The widget application every window test needs, made once for the test program.
inline void EnsureWidgetApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "korvel_tests_app";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureWidgetApplication(); }

    void SetUp() override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            GTEST_SKIP() << "another test made a non-widget application first";
        window = makeWindow("window");
    }

    std::unique_ptr<MainWindow> makeWindow(const std::string& name, const std::string& ini = std::string()) {
        const std::string dir = scratchDir(name);
        SettingsOptions options;
        options.settingsPath = dir + "/Korvel.INI";
        if (!ini.empty()) writeFileBytes(options.settingsPath, std::vector<uint8_t>(ini.begin(), ini.end()));
        options.registryPath = "none";
        return std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    }

    ScriptedPrompts prompts;
    std::unique_ptr<MainWindow> window;
};

}  // namespace korvel::test
