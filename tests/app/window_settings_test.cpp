// The window and its settings: the pens it draws with (the same on every paint and in every
// export, the drawing never written to), what it saves at close, what it says at start, its
// status bar and its help.
#include <QLabel>
#include <QUrl>
#include <cstdio>
#include <filesystem>

#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "jwcad_fixture.h"
#include "platform/ini_file.h"
#include "window_fixture.h"
#include "main_window_probe.h"

namespace korvel::test {
namespace {

// A JWW file with pens of its own: colour 3 is dark red, the background light grey.
std::string writePlan(const std::string& dir) {
    DrawingBuilder b;
    b.extents(0, 0, 100, 100);
    b.drawing.header.PenColor[0] = 0xEEEEEE;
    b.drawing.header.PenColor[3] = 0x000080;
    b.line(0, 50, 100, 50, 3);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(b.drawing, 0, saved);
    EXPECT_TRUE(saved.ok) << saved.error;
    writeFileBytes(dir + "/plan.jww", bytes);
    return dir + "/plan.jww";
}

class WindowSettingsTest : public WindowTest {
protected:
    // A window whose run was started with `extra` options over the settings file `ini`.
    std::unique_ptr<MainWindow> windowWith(const std::string& name, const std::string& ini,
                                           const std::vector<std::string>& extra) {
        dir = scratchDir(name);
        iniPath = dir + "/Korvel.INI";
        if (!ini.empty()) writeFileBytes(iniPath, {ini.begin(), ini.end()});
        std::vector<std::string> args = {"--settings", iniPath, "--jwcad-registry", "none"};
        args.insert(args.end(), extra.begin(), extra.end());
        SettingsOptions options;
        std::string error;
        EXPECT_TRUE(TakeSettingsOptions(args, options, error)) << error;
        return std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    }
    IniFile savedFile() {
        IniFile ini;
        IniFile::read(iniPath, ini);
        return ini;
    }
    // The colour of the line across the middle of the drawing area's picture.
    static QRgb lineColour(const QImage& picture) {
        for (int y = 0; y < picture.height(); ++y) {
            const QRgb c = picture.pixel(picture.width() / 2, y);
            if (qGray(c) < 200) return c & 0xFFFFFF;
        }
        return 0;
    }
    std::string dir, iniPath;
};

TEST_F(WindowSettingsTest, EveryPaintAndEveryExportDrawWithTheSamePens) {
    window = windowWith("window_pens", "", {});
    window->show();
    ASSERT_TRUE(window->openDrawingFile(QString::fromStdString(writePlan(dir))));
    const DrawingHeader loaded = window->drawing().header;
    // Without Jw_cad's settings and without "PenColorFlag": the own pens, built in.
    window->view().renderNow();
    const QRgb first = lineColour(window->view().picture());
    EXPECT_EQ(first, 0x00C000u);  // built-in colour 3, not the drawing's dark red
    window->RepaintDrawing();
    window->view().renderNow();
    EXPECT_EQ(lineColour(window->view().picture()), first);
    EXPECT_EQ(window->view().renderCount(), 2);
    // Painting never wrote into the drawing.
    EXPECT_EQ(window->drawing().header.PenColor, loaded.PenColor);
    EXPECT_EQ(window->drawing().header.PenWidth, loaded.PenWidth);
    // Copies and saved pictures take the same pens.
    const ExportOptions exported = window->exportOptions();
    ASSERT_TRUE(exported.render.pens.has_value());
    EXPECT_EQ(*exported.render.pens, *window->renderOptions().pens);
    EXPECT_EQ(exported.render.pens->PenColor[3], 0x00C000u);

    // The own pens changed in the options dialog reach the next paint; the drawing stays.
    probe(*window).settings().ownPens.color[3] = 0x0000FF;
    window->RepaintDrawing();
    window->view().renderNow();
    EXPECT_EQ(lineColour(window->view().picture()), 0xFF0000u);  // QRgb of 0x0000FF
    EXPECT_EQ(window->drawing().header.PenColor, loaded.PenColor);
}

TEST_F(WindowSettingsTest, ClosingSavesOnlyWhatWasChangedInTheWindow) {
    // The run's options: a display-size picture, a JPEG quality, a width and Jw_cad's pens.
    JwCadRegistryFixture registry = JwCadRegistryFixture::typical();
    window = windowWith("window_save", "[Graphic]\nJpegValue=50\n; mine\n",
                        {"--set", "Form/outWsizeF=0", "--jpeg-quality", "90", "--progressive"});
    EXPECT_EQ(probe(*window).settings().graphic.jpegValue, 90);
    // What the user changes in the window: the PNG level, and the JPEG quality back to 60.
    probe(*window).settings().graphic.pngCompression = 9;
    probe(*window).settings().graphic.jpegValue = 60;
    window->close();
    const IniFile saved = savedFile();
    EXPECT_EQ(saved.value("Graphic", "PNGComp"), "9");
    EXPECT_EQ(saved.value("Graphic", "JpegValue"), "60");
    // The options of the run stay out, and the width of that run's window too.
    EXPECT_FALSE(saved.value("Form", "outWsizeF").has_value());
    EXPECT_FALSE(saved.value("Graphic", "JpegPrgrs").has_value());
    EXPECT_EQ(saved.value("Form", "outWsize"), "720");
    // Keys the file lacked and nobody changed are filled in, the file's notes kept.
    EXPECT_EQ(saved.value("Graphic", "GIFSubColor"), "8");
    EXPECT_NE(saved.text().find("; mine"), std::string::npos);

    // Own pens of a --jwcad-registry run are that run's, not the file's.
    const std::string reg = dir + "/user.reg";
    const std::string wine = registry.wineUserReg();
    writeFileBytes(reg, {wine.begin(), wine.end()});
    std::remove(iniPath.c_str());
    SettingsOptions options;
    options.settingsPath = iniPath;
    options.registryPath = reg;
    window = std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    EXPECT_EQ(probe(*window).settings().ownPens.color[1], 0xFFFFFFu);  // Jw_cad's colour 1
    probe(*window).settings().ownPens.color[2] = 0x123456;             // one pen changed in the dialog
    window->close();
    const IniFile pens = savedFile();
    EXPECT_FALSE(pens.value("PenColor", " PenColorData1").has_value());
    EXPECT_EQ(pens.value("PenColor", " PenColorData2"), std::to_string(0x123456));
}

TEST_F(WindowSettingsTest, ASettingsFileThatCannotBeReadIsToldInTheWindow) {
    const std::string folder = scratchDir("window_unreadable") + "/Korvel.INI";
    std::filesystem::create_directories(folder);
    SettingsOptions options;
    options.settingsPath = folder;
    options.registryPath = "none";
    window = std::make_unique<MainWindow>(SettingsSession::start(options), prompts);
    window->tellStartupProblems();
    ASSERT_EQ(prompts.informations.size(), 1);
    const QString told = prompts.informations[0];
    EXPECT_TRUE(told.contains(QString::fromStdString(folder + ": is a folder, not a settings file"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("will not be saved to that file"))) << told.toStdString();

    // A readable file says nothing.
    prompts.informations.clear();
    window = makeWindow("window_readable", "[Graphic]\nJpegValue=50\n");
    window->tellStartupProblems();
    EXPECT_TRUE(prompts.informations.isEmpty());
}

TEST_F(WindowSettingsTest, StatusPanelsAreWideEnoughForTheirTexts) {
    DrawingBuilder b;
    b.extents(0, 0, 10, 10);
    b.drawing.header.Version = 600;
    for (int i = 0; i < 120000; ++i) b.line(0, 0, 1, 1);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    window->drawing() = b.drawing;
    window->show();
    window->UpdateStatusBar();
    for (QLabel* panel : probe(*window).statusPanels()) {
        const int needed = panel->fontMetrics().horizontalAdvance(panel->text()) + panel->indent();
        EXPECT_GE(panel->contentsRect().width(), needed) << panel->text().toStdString();
    }
    EXPECT_EQ(probe(*window).statusPanels()[0]->text(), QStringLiteral("Ver : 6.00"));
    EXPECT_EQ(probe(*window).statusPanels()[1]->text(), QStringLiteral("L = 120000 "));
    // Short texts keep the classic widths.
    EXPECT_EQ(probe(*window).statusPanels()[7]->width(), kStatusPanelWidths[7]);
}

TEST_F(WindowSettingsTest, HelpWithoutABrowserNamesTheManual) {
    QUrl asked;
    probe(*window).setUrlOpener([&asked](const QUrl& url) {
        asked = url;
        return false;
    });
    window->helpCommand();
    ASSERT_TRUE(asked.isLocalFile());
    ASSERT_EQ(prompts.informations.size(), 1);
    EXPECT_TRUE(prompts.informations[0].contains(asked.toLocalFile())) << prompts.informations[0].toStdString();
    EXPECT_TRUE(prompts.informations[0].contains(QStringLiteral("No web browser"))) << prompts.informations[0].toStdString();

    prompts.informations.clear();
    probe(*window).setUrlOpener([](const QUrl&) { return true; });
    window->helpCommand();
    EXPECT_TRUE(prompts.informations.isEmpty());
}

}  // namespace
}  // namespace korvel::test
