// Command-line settings options, the start-up order, the pen choices and the settings round trip.
#include <gtest/gtest.h>

#include <string>

#include "app/settings_session.h"
#include "jwcad_fixture.h"
#include "platform/ini_file.h"
#include "test_support.h"

namespace korvel {
namespace {

using test::JwCadRegistryFixture;

void writeText(const std::string& path, const std::string& text) {
    test::writeFileBytes(path, {text.begin(), text.end()});
}

SettingsOptions parse(std::vector<std::string> args, std::vector<std::string>* rest = nullptr) {
    SettingsOptions o;
    std::string error;
    EXPECT_TRUE(TakeSettingsOptions(args, o, error)) << error;
    if (rest) *rest = args;
    return o;
}

std::string parseError(std::vector<std::string> args) {
    SettingsOptions o;
    std::string error;
    EXPECT_FALSE(TakeSettingsOptions(args, o, error));
    return error;
}

TEST(SettingsOptions, TakesItsOwnAndLeavesTheRest) {
    std::vector<std::string> rest;
    SettingsOptions o = parse({"a.jww", "--settings", "/x/K.INI", "-o", "out.png", "--jpeg-quality=90",
                               "--pens", "drawing", "--no-aux-lines", "--width", "640", "--draw-order",
                               "pictures-first", "--mono", "grey", "--", "--width"},
                              &rest);
    EXPECT_EQ(rest, (std::vector<std::string>{"a.jww", "-o", "out.png", "--", "--width"}));
    EXPECT_EQ(o.settingsPath, "/x/K.INI");
    EXPECT_EQ(o.pens, PenSource::Drawing);
    EXPECT_EQ(o.drawOrder, 2);
    EXPECT_EQ(o.overrides.value("Graphic", "JpegValue"), "90");
    EXPECT_EQ(o.overrides.value("Graphic", "AuxLineFlg"), "1");
    EXPECT_EQ(o.overrides.value("Form", "outWsize"), "640");
    EXPECT_EQ(o.overrides.value("Form", "outWsizeF"), "4");
    EXPECT_EQ(o.overrides.value("Graphic", "BwPlotFlg"), "1");
    EXPECT_EQ(o.overrides.value("Graphic", "Bw2GFlg"), "0");
    EXPECT_EQ(o.given.size(), 7u);

    o = parse({"--width", "333", "--gif-colors", "grey256", "--gif-dither", "FloydSt", "--png-compression", "best",
               "--gif-compression", "rle", "--set", "jwwsstyle/lsolidstyle2=300", "--jwcad-registry", "none"});
    EXPECT_EQ(o.overrides.value("Form", "outWsizeF"), "6");
    EXPECT_EQ(o.overrides.value("Graphic", "GIFSubColor"), "5");
    EXPECT_EQ(o.overrides.value("Graphic", "GIFDith"), "1");
    EXPECT_EQ(o.overrides.value("Graphic", "PNGComp"), "9");
    EXPECT_EQ(o.overrides.value("Graphic", "GIFComp"), "0");
    EXPECT_EQ(o.overrides.value("JwwSStyle", " LSolidStyle2"), "300");
    EXPECT_EQ(o.registryPath, "none");

    EXPECT_EQ(parseError({"--jpeg-quality", "0"}), "--jpeg-quality 0: must be a whole number from 1 to 100");
    EXPECT_EQ(parseError({"--width"}), "--width needs a value");
    EXPECT_EQ(parseError({"--pens", "mine"}), "--pens mine: must be window, own, jwcad or drawing");
    EXPECT_EQ(parseError({"--progressive=1"}), "--progressive takes no value");
    EXPECT_EQ(parseError({"--set", "Graphic/Nope=1"}), "--set Graphic/Nope=1: the settings file has no key Graphic/Nope");
    EXPECT_EQ(parseError({"--set", "Graphic/JpegValue=high"}),
              "--set Graphic/JpegValue=high: Graphic/JpegValue must be a whole number from 1 to 100");
    EXPECT_EQ(parseError({"--set", "JwwSStyle/LSolidStyle2=high"}),
              "--set JwwSStyle/LSolidStyle2=high: \"high\" is not a number for JwwSStyle/LSolidStyle2");
}

struct Scratch {
    std::string dir, ini, reg;
    explicit Scratch(const std::string& name)
        : dir(test::scratchDir(name)), ini(dir + "/Korvel.INI"), reg(dir + "/user.reg") {}
};

TEST(SettingsSession, StartsAsTheWindowDoes) {
    Scratch s("session_start");
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    writeText(s.reg, f.wineUserReg());
    writeText(s.ini, "[PenColor]\n PenColorData2=255\n[Graphic]\nSolidFlag=1\n");
    SettingsSession session = SettingsSession::start(parse({"--settings", s.ini, "--jwcad-registry", s.reg}));
    EXPECT_TRUE(session.warnings.empty());
    EXPECT_TRUE(session.import.found);
    EXPECT_EQ(session.registryDescription, s.reg);
    // Own pens: the file's where it has them, Jw_cad's imported pens elsewhere.
    EXPECT_EQ(session.settings.ownPens.color[2], 255u);
    EXPECT_EQ(session.settings.ownPens.color[1], 0xFFFFFFu);
    EXPECT_EQ(session.settings.ownPens.width[9], 9u);
    EXPECT_EQ(session.header.LineTypePattern[2], 0xFF00FF02u);
    EXPECT_EQ(session.jwcadText.drawOutLine, 2);
    RenderOptions o = session.renderOptions(Drawing{});
    EXPECT_EQ(o.drawOutLine, 2);
    EXPECT_EQ(o.lastDraw, 1);
    EXPECT_EQ(o.drawOrder, -1);
    Drawing d;
    session.prepareDrawing(d);
    EXPECT_EQ(d.header.DisplayOption[2], 1u);  // "SolidFlag" reaches drawings that carry none

    // No registry at all: the built-in pens.
    SettingsSession bare = SettingsSession::start(parse({"--settings", s.dir + "/none.INI", "--jwcad-registry", "none"}));
    EXPECT_EQ(bare.settings.ownPens, BuiltInPens());
    EXPECT_EQ(bare.registryDescription, "none (--jwcad-registry none)");
    EXPECT_FALSE(bare.load.fileExisted);
}

TEST(SettingsSession, BrokenJwCadValueIsReportedAndTheRunGoesOn) {
    Scratch s("session_broken");
    JwCadRegistryFixture f = JwCadRegistryFixture::typical();
    f.setString("Pen", "Width04", "thick");
    writeText(s.reg, f.wineUserReg());
    writeText(s.ini, "[Graphic]\nJpegValue=33\n");
    SettingsSession session = SettingsSession::start(parse({"--settings", s.ini, "--jwcad-registry", s.reg}));
    ASSERT_EQ(session.warnings.size(), 1u);
    EXPECT_EQ(session.warnings[0], "Jw_cad setting Software\\Jw_cad\\jw_win\\Pen \"Width04\" is not a whole number: "
                                   "\"thick\"; going on with the pens read so far");
    EXPECT_EQ(session.settings.graphic.jpegValue, 33);  // the settings file is still read
    // Pens before the failing value are Jw_cad's; the rest, never read, stay built in.
    EXPECT_EQ(session.settings.ownPens.color[4], 0xFFFF00u);
    EXPECT_EQ(session.settings.ownPens.width[3], 3u);
    EXPECT_EQ(session.settings.ownPens.color[5], BuiltInPens().color[5]);
    EXPECT_EQ(session.settings.ownPens.width[8], BuiltInPens().width[8]);

    Drawing d;
    session.prepareDrawing(d);
    d.header.PenColor[3] = 0x111111;
    d.header.PenColor[5] = 0x222222;
    std::vector<std::string> messages;
    const PenTable pens = session.pensFor(d, &messages);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Jw_cad setting Software\\Jw_cad\\jw_win\\Pen \"Width04\" is not a whole number: "
                           "\"thick\"; drawing with the pens read so far");
    EXPECT_EQ(pens.PenColor[3], 0x00FF00u);                 // Jw_cad's, read before the failing value
    EXPECT_EQ(pens.PenColor[5], BuiltInPens().color[5]);    // never reached: the own pens
    EXPECT_EQ(d.header.PenColor[3], 0x111111u);             // the drawing is only read
}

TEST(SettingsSession, PenChoicesForALoadedDrawing) {
    Scratch s("session_pens");
    writeText(s.reg, JwCadRegistryFixture::typical().wineUserReg());
    writeText(s.ini, "[PenColor]\n PenColorData3=4660\n");
    // A loaded drawing with pens and line types of its own.
    DrawingHeader loaded;
    loaded.PenColor.fill(0x0A0A0A);
    loaded.PenWidth.fill(4);
    loaded.LineTypePattern.fill(0x12345678);

    Drawing d;
    d.header = loaded;
    PenTable pens;
    auto pensWith = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"--settings", s.ini, "--jwcad-registry", s.reg};
        args.insert(args.end(), extra.begin(), extra.end());
        SettingsSession session = SettingsSession::start(parse(args));
        std::vector<std::string> problems;
        pens = session.pensFor(d, &problems);
        EXPECT_TRUE(problems.empty());
        // Choosing pens never writes them into the drawing.
        EXPECT_EQ(d.header.PenColor, loaded.PenColor);
        EXPECT_EQ(d.header.LineTypePattern, loaded.LineTypePattern);
        return session;
    };
    pensWith({"--pens", "drawing"});
    EXPECT_EQ(pens.PenColor[3], 0x0A0A0Au);
    EXPECT_EQ(pens.LineTypePattern[2], 0x12345678u);

    pensWith({"--pens", "own"});
    EXPECT_EQ(pens.PenColor[3], 4660u);
    EXPECT_EQ(pens.PenColor[4], 0xFFFF00u);  // own pens default to Jw_cad's at start
    EXPECT_EQ(pens.LineTypePattern[2], 0x12345678u);

    pensWith({"--pens", "jwcad"});
    EXPECT_EQ(pens.PenColor[3], 0x00FF00u);
    EXPECT_EQ(pens.LineTypePattern[2], 0xFF00FF02u);

    // The window's way, the same for the screen and every export: Jw_cad's pens and line types
    // while "PenColorFlag" is off.
    SettingsSession w = pensWith({});
    EXPECT_FALSE(w.clearBackground());
    EXPECT_EQ(pens.PenColor[3], 0x00FF00u);
    EXPECT_EQ(pens.LineTypePattern[2], 0xFF00FF02u);
    EXPECT_EQ(pens.PrtPenWidth[1], 11u);

    // With "PenColorFlag" the own pens, and the drawing's line types.
    SettingsSession own = pensWith({"--set", "PenColor/PenColorFlag=1"});
    EXPECT_TRUE(own.clearBackground());
    EXPECT_EQ(pens.PenColor[3], 4660u);
    EXPECT_EQ(pens.LineTypePattern[2], 0x12345678u);
}

TEST(SettingsSession, ExportOptionsComeFromTheSettings) {
    Scratch s("session_export");
    writeText(s.ini, "[Graphic]\nJpegValue=60\nPNGComp=9\nGIFSubColor=3\nGIFDith=2\nBwPlotFlg=1\nRealScaleFlg=1\n"
                     "[Form]\noutWsize=1024\n[PenColor]\nPenColorFlag=1\n");
    SettingsSession session =
        SettingsSession::start(parse({"--settings", s.ini, "--jwcad-registry", "none", "--draw-order", "solids-first"}));
    ExportOptions o = session.exportOptions();
    EXPECT_EQ(o.width, 1024);
    EXPECT_EQ(o.jpegQuality, 60);
    EXPECT_EQ(o.pngCompression, 9);
    EXPECT_EQ(o.gifReduction, 3);
    EXPECT_EQ(o.gifDither, 2);
    EXPECT_TRUE(o.realScale);
    EXPECT_TRUE(o.clearBackground);
    EXPECT_TRUE(o.render.bwPlot);
    EXPECT_TRUE(o.twoColour());
    EXPECT_EQ(o.render.drawOrder, 1);

    // Conversion seeds each drawing and chooses its pens after its load, into its options.
    DrawingPreparation prepare = session.drawingPreparation();
    Drawing d;
    prepare.beforeLoad(d);
    EXPECT_EQ(d.header.DisplayOption[2], 1u);
    d.header.PenColor[2] = 0x123456;
    ExportOptions forDrawing = o;
    EXPECT_TRUE(prepare.afterLoad(d, forDrawing).empty());
    ASSERT_TRUE(forDrawing.render.pens.has_value());
    EXPECT_EQ(forDrawing.render.pens->PenColor[2], BuiltInPens().color[2]);
    EXPECT_EQ(d.header.PenColor[2], 0x123456u);
}

TEST(SettingsSession, RoundTripThroughCommandLineOptions) {
    Scratch s("session_roundtrip");
    writeText(s.ini, "; my notes\n[Graphic]\nJpegValue=50\n[Mine]\nkeep=1\n");
    SettingsSession first = SettingsSession::start(parse({"--settings", s.ini, "--jwcad-registry", "none",
                                                          "--jpeg-quality", "90", "--width", "640", "--progressive",
                                                          "--set", "PenColor/PenColorData3=255", "--set",
                                                          "JwwSStyle/KVLSenWidth2=6", "--set", "Folder/name=/data/"}));
    SettingsSaveResult saved = first.save();
    ASSERT_TRUE(saved.written) << saved.error;

    SettingsSession again = SettingsSession::start(parse({"--settings", s.ini, "--jwcad-registry", "none"}));
    EXPECT_EQ(again.settings.graphic.jpegValue, 90);
    EXPECT_TRUE(again.settings.graphic.jpegProgressive);
    EXPECT_EQ(again.settings.outputWidth, 640);
    EXPECT_EQ(again.settings.outputSizeChoice, 4);
    EXPECT_EQ(again.settings.ownPens.color[3], 255u);
    EXPECT_EQ(again.settings.ownPens.width[2], 6u);
    EXPECT_EQ(again.settings.ownPens.color[4], BuiltInPens().color[4]);
    EXPECT_EQ(again.settings.folderName, "/data/");
    IniFile ini;
    IniFile::read(s.ini, ini);
    EXPECT_EQ(ini.value("Mine", "keep"), "1");  // what the file held beyond our keys stays
    EXPECT_EQ(ini.text().rfind("; my notes\n", 0), 0u);
}

}  // namespace
}  // namespace korvel
