// The one option table: a value accepted in one place (a command, --set, the settings file) is
// accepted in all of them, and help names every option with its values and default.
#include <gtest/gtest.h>

#include <string>

#include "app/app_settings.h"
#include "app/option_table.h"
#include "test_support.h"

namespace korvel {
namespace {

CommandLine parsed(unsigned command, const std::vector<std::string>& args) {
    CommandLine line;
    std::string error;
    EXPECT_TRUE(ParseCommandLine(command, args, line, error)) << error;
    return line;
}

std::string refused(unsigned command, const std::vector<std::string>& args) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(command, args, line, error));
    return error;
}

TEST(OptionTable, EveryCommandTakesTheSameValuesAsTheSettings) {
    // What `korvel settings` took and `korvel convert` refused: the same names everywhere now.
    for (unsigned command : {kConvertCommand, kSettingsCommand, kWatchCommand, kWindowCommand}) {
        const CommandLine line = parsed(command, {"--png-compression", "best", "--mono", "off", "--gif-dither=FloydSt"});
        EXPECT_EQ(line.settings.overrides.value("Graphic", "PNGComp"), "9") << command;
        EXPECT_EQ(line.settings.overrides.value("Graphic", "BwPlotFlg"), "0") << command;
        EXPECT_EQ(line.settings.overrides.value("Graphic", "GIFDith"), "1") << command;
    }
    // --set takes a key's names and is held to its range.
    CommandLine set = parsed(kConvertCommand, {"--set", "Graphic/PNGComp=fast", "--set", "graphic/jpegprgrs=on"});
    EXPECT_EQ(set.settings.overrides.value("Graphic", "PNGComp"), "1");
    EXPECT_EQ(set.settings.overrides.value("Graphic", "JpegPrgrs"), "1");
    EXPECT_EQ(refused(kConvertCommand, {"--set", "Graphic/PNGComp=5"}),
              "--set Graphic/PNGComp=5: Graphic/PNGComp must be none, default, fast or best (or 0, -1, 1 or 9)");
    EXPECT_EQ(refused(kConvertCommand, {"--set", "Form/outWsize=0"}),
              "--set Form/outWsize=0: Form/outWsize must be a whole number from 1 to 1000000");
    EXPECT_EQ(refused(kConvertCommand, {"--png-compression", "6"}),
              "--png-compression 6: must be none, default, fast or best (or 0, -1, 1 or 9)");
    EXPECT_EQ(refused(kConvertCommand, {"--mono", "1"}), "--mono 1: must be off, grey or two-colour");

    // The settings file takes the names too; plain numbers are read as ever, unchecked.
    const std::string dir = test::scratchDir("option_table_file");
    const std::string text = "[Graphic]\nPNGComp=best\nJpegPrgrs=on\nGIFDith=FloydSt\nGIFSubColor=12\n";
    test::writeFileBytes(dir + "/Korvel.INI", {text.begin(), text.end()});
    AppSettings s;
    DrawingHeader table;
    LoadSettings(dir + "/Korvel.INI", s, table, "/");
    EXPECT_EQ(s.graphic.pngCompression, 9);
    EXPECT_TRUE(s.graphic.jpegProgressive);
    EXPECT_EQ(s.graphic.gifDither, 1);
    EXPECT_EQ(s.graphic.gifSubColor, 12);
}

TEST(OptionTable, CommandsKeepTheirOwnOptionsApart) {
    const CommandLine line = parsed(kConvertCommand, {"a.jww", "-o", "x.png", "-j2", "-q", "-", "--", "-w"});
    EXPECT_EQ(line.files, (std::vector<std::string>{"a.jww", "-", "-w"}));
    EXPECT_EQ(line.value("--output"), "x.png");
    EXPECT_EQ(line.number.at("--jobs"), 2);
    EXPECT_EQ(line.flags, (std::set<std::string>{"--quiet"}));
    EXPECT_TRUE(line.settings.given.empty());
    EXPECT_EQ(parsed(kConvertCommand, {"--jobs=3", "-w640"}).settings.given,
              (std::vector<std::string>{"-w 640"}));
    EXPECT_EQ(refused(kConvertCommand, {"a.jww", "-j0"}), "-j 0: must be a whole number from 1 to 256");
    EXPECT_EQ(refused(kConvertCommand, {"a.jww", "-qv"}), "unknown option '-qv'");
    // Options of other commands are not this one's.
    EXPECT_EQ(refused(kInfoCommand, {"--width", "300", "a.jww"}), "unknown option '--width'");
    EXPECT_EQ(refused(kSaveCommand, {"--json"}), "unknown option '--json'");
    EXPECT_EQ(refused(kTextCommand, {"--delimiter", "pipe"}), "--delimiter pipe: must be tab, space, comma or semicolon");
    EXPECT_EQ(parsed(kTextCommand, {"--delimiter", "comma"}).number.at("--delimiter"), 2);
    EXPECT_EQ(refused(kWatchCommand, {"--count"}), "--count needs a value");
    EXPECT_EQ(refused(kConvertCommand, {"--quiet=yes"}), "--quiet takes no value");
}

TEST(OptionTable, HelpNamesEveryOptionWithItsValuesAndDefault) {
    for (unsigned command : {kInfoCommand, kConvertCommand, kSaveCommand, kTextCommand, kSettingsCommand,
                             kWatchCommand, kWindowCommand}) {
        const std::string help = OptionsHelp(command);
        for (const OptionSpec& s : OptionTable()) {
            if (!(s.commands & command)) continue;
            EXPECT_NE(help.find(s.name), std::string::npos) << s.name << " in help of " << command;
            if (s.negation) {
                EXPECT_NE(help.find(s.negation), std::string::npos) << s.negation;
            }
            for (const OptionValue& v : s.values) EXPECT_NE(help.find(v.names[0]), std::string::npos) << v.names[0];
            if (s.section || s.kind == OptionKind::Choice) {
                EXPECT_FALSE(OptionDefault(s).empty()) << s.name;
            }
        }
    }
    // Defaults come from a fresh settings file.
    EXPECT_EQ(OptionDefault(*FindOption(kConvertCommand, "--jpeg-quality")), "75");
    EXPECT_EQ(OptionDefault(*FindOption(kConvertCommand, "--gif-colors")), "optimal256");
    EXPECT_EQ(OptionDefault(*FindOption(kConvertCommand, "--png-compression")), "default");
    EXPECT_EQ(OptionDefault(*FindOption(kConvertCommand, "--no-aux-lines")), "--aux-lines");
    EXPECT_EQ(OptionDefault(*FindOption(kConvertCommand, "--width")), "720");
    const std::string help = OptionsHelp(kConvertCommand);
    EXPECT_NE(help.find("  --png-compression LEVEL     PNG compression. LEVEL is none, default, fast or\n"
                        "                              best, or its number 0, -1, 1 or 9. (default:\n"
                        "                              default) [Graphic/PNGComp]\n"),
              std::string::npos)
        << help;
}

TEST(OptionTable, TheWindowsListsAreTheTablesValues) {
    const std::vector<OptionValue>& png = OptionValues("--png-compression");
    ASSERT_EQ(png.size(), 4u);
    EXPECT_EQ(png[3].number, 9);
    EXPECT_STREQ(png[3].caption, "最高圧縮率（圧縮速度低下）");
    EXPECT_EQ(OptionValues("--gif-colors").size(), 9u);
    EXPECT_STREQ(OptionValues("--delimiter")[2].caption, "カンマ");
    EXPECT_TRUE(OptionValues("--no-such-option").empty());
    // Every settings key an option stands for is a key of the settings file.
    for (const OptionSpec& s : OptionTable()) {
        if (s.section) {
            EXPECT_EQ(OptionForKey(s.section, s.key), &s) << s.name;
        }
    }
}

}  // namespace
}  // namespace korvel
