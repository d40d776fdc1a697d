// The command line as a new user meets it: the same option values everywhere, help that explains
// every option, the manual page, a clear word without a display, and widths that are no widths.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "app/option_table.h"
#include "drawing/loaders.h"
#include "drawing_builder.h"
#include "run_korvel.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::RunResult;
using test::runKorvelIsolated;

std::string writeDrawing(const std::string& dir) {
    test::DrawingBuilder b;
    b.extents(0, 0, 200, 100);
    b.line(10, 10, 190, 90, 2);
    b.drawing.ExpectedCount = static_cast<uint32_t>(b.drawing.top.size());
    SaveResult saved;
    test::writeFileBytes(dir + "/plan.jww", SaveJwwBytes(b.drawing, 0, saved));
    return dir + "/plan.jww";
}

TEST(CommandLineOptions, ConvertTakesWhatTheSettingsTake) {
    const std::string dir = test::scratchDir("cli_same_values");
    const std::string plan = writeDrawing(dir);
    test::writeFileBytes(dir + "/K.INI", {});
    const std::string common = " --jwcad-registry none --settings " + dir + "/K.INI ";
    RunResult r = runKorvelIsolated("convert " + plan + common + "-o " + dir + "/a.png --png-compression best --mono off");
    EXPECT_EQ(r.status, 0) << r.out;
    r = runKorvelIsolated("settings" + common + "--png-compression best --mono off");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\nPNGComp=9\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nBwPlotFlg=0\n"), std::string::npos) << r.out;
    // Refused alike, with the same words.
    r = runKorvelIsolated("convert " + plan + common + "-o " + dir + "/b.png --png-compression 6");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "korvel: convert: --png-compression 6: must be none, default, fast or best (or 0, -1, 1 or 9) "
                     "(korvel convert --help lists the options)\n");
}

TEST(CommandLineOptions, AWidthThatIsNoWidthIsAnErrorNotATinyPicture) {
    const std::string dir = test::scratchDir("cli_zero_width");
    const std::string plan = writeDrawing(dir);
    const std::string ini = dir + "/K.INI";
    test::writeFileBytes(ini, {'[', 'F', 'o', 'r', 'm', ']', '\n', 'o', 'u', 't', 'W', 's', 'i', 'z', 'e', '=', '0', '\n'});
    RunResult r = runKorvelIsolated("convert " + plan + " --jwcad-registry none --settings " + ini + " -o " + dir + "/a.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(plan + ": the output width 0 is no number of pixels; it must be 1 or more"), std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.png"));
    // Metafiles at real scale take no width: they are still written.
    r = runKorvelIsolated("convert " + plan + " --jwcad-registry none --settings " + ini + " --real-scale -o " + dir + "/a.emf");
    EXPECT_EQ(r.status, 0) << r.out;
    r = runKorvelIsolated("convert " + plan + " --jwcad-registry none --settings " + ini + " --set Form/outWsize=-5 -o " +
                          dir + "/b.png");
    EXPECT_EQ(r.status, 2);
}

TEST(CommandLineHelp, EveryCommandExplainsEachOfItsOptions) {
    const std::pair<const char*, unsigned> commands[] = {
        {"info", kInfoCommand},     {"convert", kConvertCommand},   {"save", kSaveCommand}, {"text", kTextCommand},
        {"settings", kSettingsCommand}, {"watch", kWatchCommand}};
    for (const auto& [name, bit] : commands) {
        const RunResult r = runKorvelIsolated(std::string(name) + " --help");
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out.rfind(std::string("usage: korvel ") + name, 0), 0u) << r.out;
        EXPECT_NE(r.out.find(OptionsHelp(bit)), std::string::npos) << name;
    }
    const RunResult convert = runKorvelIsolated("convert --help");
    for (const char* words : {"--gif-colors NAME", "optimal256", "floyd-steinberg", "stevenson-arce",
                              "--mono MODE", "(default: 720)"})
        EXPECT_NE(convert.out.find(words), std::string::npos) << words;
    EXPECT_NE(runKorvelIsolated("watch --help").out.find("has taken the last picture"), std::string::npos);
    EXPECT_EQ(runKorvelIsolated("help convert").out, convert.out);
}

TEST(CommandLineHelp, TheManualPageIsTheOneTheTableMakes) {
    const RunResult r = runKorvelIsolated("help --manual-page");
    ASSERT_EQ(r.status, 0);
    const std::vector<uint8_t> page = test::readFileBytes(test::sourcePath("docs/korvel.1"));
    EXPECT_EQ(std::string(page.begin(), page.end()), r.out)
        << "docs/korvel.1 is out of date: build/korvel help --manual-page > docs/korvel.1";
    for (const char* words : {".TH KORVEL 1", ".SS \"korvel convert\"", "\\-\\-png\\-compression", "EXIT STATUS"})
        EXPECT_NE(r.out.find(words), std::string::npos) << words;
}

TEST(CommandLineHelp, WithoutADisplayTheWindowSaysSoAndTheRestWorks) {
    const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
    RunResult r = test::runShell(noDisplay + KORVEL_EXE + " 2>&1");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.rfind("korvel: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot open here.\n", 0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("korvel convert FILE.jww -o FILE.png"), std::string::npos) << r.out;
    r = test::runShell(noDisplay + "DISPLAY=:97 " + KORVEL_EXE + " plan.jww 2>&1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("the X server at DISPLAY=:97 does not answer"), std::string::npos) << r.out;
    // The watcher needs an X display too, and says so rather than end inside Qt.
    r = test::runShell(noDisplay + "DISPLAY=:97 " + KORVEL_EXE + " watch --count 1 2>&1");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("watch: no X display (the X server at DISPLAY=:97 does not answer)"), std::string::npos) << r.out;
    r = test::runShell(noDisplay + KORVEL_EXE + " --version 2>&1");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "korvel 2.40\n");
    r = test::runShell(noDisplay + KORVEL_EXE + " help 2>&1");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("convert FILE..."), std::string::npos) << r.out;
    // A mistake in the options is told before the display is looked for.
    r = test::runShell(noDisplay + KORVEL_EXE + " --widht 5 2>&1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("unknown option '--widht'"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace korvel
