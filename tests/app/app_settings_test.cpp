// The settings store: every key in order with its default, own pens, and never losing the file.
#include <gtest/gtest.h>

#include <string>

#include "app/app_settings.h"
#include "app/jwcad_import.h"
#include "platform/ini_file.h"
#include "test_support.h"

namespace korvel {
namespace {

std::string readText(const std::string& path) {
    std::vector<uint8_t> b = test::readFileBytes(path);
    return {b.begin(), b.end()};
}
void writeText(const std::string& path, const std::string& text) {
    test::writeFileBytes(path, {text.begin(), text.end()});
}

// Start-up as the main window runs it: import, built-in pens when Jw_cad is absent, load.
SettingsLoadReport startUp(const std::string& path, AppSettings& s, DrawingHeader& table,
                           const RegistrySource& registry) {
    JwCadTextOptions text;
    if (!ImportJwCadSettings(registry, table, text).found) SetBuiltInPens(table);
    return LoadSettings(path, s, table, "/home/u/");
}

TEST(AppSettings, FirstRunWithoutFileOrJwCadWritesEveryKeyInOrder) {
    const std::string path = test::scratchDir("settings_first") + "/korvel/Korvel.INI";
    AppSettings s;
    DrawingHeader table;
    SettingsLoadReport load = startUp(path, s, table, EmptyRegistrySource());
    EXPECT_TRUE(load.complete);
    EXPECT_FALSE(load.fileExisted);
    EXPECT_EQ(s.ownPens, BuiltInPens());
    EXPECT_EQ(table.PenColor[8], 0xFF0080u);
    EXPECT_EQ(table.PenWidth[7], 3u);
    EXPECT_EQ(s.folderName, "/home/u/");

    SettingsSaveResult saved = SaveSettings(path, s, table, load);
    ASSERT_TRUE(saved.written) << saved.error;
    EXPECT_EQ(readText(path),
              "[Graphic]\nJpegValue=75\nJpegPrgrs=0\nPNGComp=-1\nPNGInlc=0\nPNGTrans=0\nGIFComp=1\n"
              "GIFDith=0\nGIFSubColor=8\nGIFTrans=0\nSolidFlag=0\nBwPlotFlg=0\nBw2GFlg=1\nGrpFlg=0\n"
              "SPIFlg=0\nSenFlg=0\nAuxLineFlg=0\nRealScaleFlg=0\n"
              "[Form]\noutWsizeF=1\noutWsize=720\nCBmonitorFlg=0\n"
              "[JwwSStyle]\nLSolidStyleFlg=0\nCSolidStyleFlg=0\nJSolidStyleFlg=0\n"
              " LSolidStyle0=1\n LSolidStyle1=1\n LSolidStyle2=1\n LSolidStyle3=1\n LSolidStyle4=1\n"
              " LSolidStyle5=1\n LSolidStyle6=1\n LSolidStyle7=1\n LSolidStyle8=1\n LSolidStyle9=1\n"
              " CSolidStyle0=1\n CSolidStyle1=1\n CSolidStyle2=1\n CSolidStyle3=1\n CSolidStyle4=1\n"
              " CSolidStyle5=1\n CSolidStyle6=1\n CSolidStyle7=1\n CSolidStyle8=1\n"
              " KVLSenWidth1=1\n KVLSenWidth2=1\n KVLSenWidth3=1\n KVLSenWidth4=1\n KVLSenWidth5=1\n"
              " KVLSenWidth6=2\n KVLSenWidth7=3\n KVLSenWidth8=5\n KVLSenWidth9=1\n"
              "[PenColor]\nPenColorFlag=0\n"
              " PenColorData0=16777215\n PenColorData1=49344\n PenColorData2=0\n PenColorData3=49152\n"
              " PenColorData4=12632064\n PenColorData5=12583104\n PenColorData6=255\n"
              " PenColorData7=32896\n PenColorData8=16711808\n PenColorData9=16744703\n"
              "[TextClip]\nShiftY=1\nDelimit=0\nDataOutFlag=1\nEncoding=utf-8\n"
              "[Folder]\nname=/home/u/\n");
}

TEST(AppSettings, AbsentPenKeyKeepsTheTablePenAndWritesItBack) {
    const std::string path = test::scratchDir("settings_pen3") + "/Korvel.INI";
    writeText(path, "[PenColor]\nPenColorFlag=1\n PenColorData2=255\n[Graphic]\nJpegValue=0x5A\n");
    AppSettings s;
    DrawingHeader table;
    table.PenColor[3] = 0x123456;  // as Jw_cad's settings left it
    table.PenWidth[4] = 7;
    SettingsLoadReport load = LoadSettings(path, s, table, "/");
    EXPECT_TRUE(s.penColorFlag);
    EXPECT_EQ(s.graphic.jpegValue, 90);
    EXPECT_EQ(s.ownPens.color[3], 0x123456u);
    EXPECT_EQ(s.ownPens.color[2], 255u);
    EXPECT_EQ(s.ownPens.width[4], 7u);

    ASSERT_TRUE(SaveSettings(path, s, table, load).written);
    IniFile ini;
    IniFile::read(path, ini);
    EXPECT_EQ(ini.readInteger("PenColor", " PenColorData3", 0), 0x123456);
    EXPECT_EQ(ini.readInteger("JwwSStyle", " KVLSenWidth4", 0), 7);
    EXPECT_EQ(readText(path).find("PenColorData3"), readText(path).find(" PenColorData3") + 1);
}

TEST(AppSettings, HatchStylesKeepTheirLowByte) {
    const std::string path = test::scratchDir("settings_hatch") + "/Korvel.INI";
    writeText(path, "[JwwSStyle]\n LSolidStyle2=300\n CSolidStyle8=-1\n");
    AppSettings s;
    DrawingHeader table;
    SettingsLoadReport load = LoadSettings(path, s, table, "/");
    EXPECT_EQ(s.lineColorHatch[2], 44);
    EXPECT_EQ(s.colorFamilyHatch[8], 255);
    ASSERT_TRUE(SaveSettings(path, s, table, load).written);
    IniFile ini;
    IniFile::read(path, ini);
    EXPECT_EQ(ini.value("JwwSStyle", " LSolidStyle2"), "44");
    EXPECT_EQ(ini.value("JwwSStyle", " CSolidStyle8"), "255");
}

TEST(AppSettings, FileReceivesOwnPensAfterPensWereReimported) {
    const std::string path = test::scratchDir("settings_reimport") + "/Korvel.INI";
    writeText(path, "[PenColor]\n PenColorData1=111\n[JwwSStyle]\n KVLSenWidth1=4\n");
    AppSettings s;
    DrawingHeader table;
    SettingsLoadReport load = LoadSettings(path, s, table, "/");
    // A repaint imported Jw_cad's pens into the table and never put the own pens back.
    table.PenColor[1] = 999;
    table.PenWidth[1] = 9;
    ASSERT_TRUE(SaveSettings(path, s, table, load).written);
    IniFile ini;
    IniFile::read(path, ini);
    EXPECT_EQ(ini.readInteger("PenColor", " PenColorData1", 0), 111);
    EXPECT_EQ(ini.readInteger("JwwSStyle", " KVLSenWidth1", 0), 4);
    EXPECT_EQ(table.PenColor[1], 111u);  // saving restores the own pens first
}

TEST(AppSettings, FileNotReadCompletelyIsNeverOverwritten) {
    const std::string dir = test::scratchDir("settings_guard");
    const std::string path = dir + "/Korvel.INI";
    const std::string damaged = std::string("[Form]\noutWsize=640\n\0\0[Graphic]\nJpegValue=95\n", 45);
    writeText(path, damaged);
    AppSettings s;
    DrawingHeader table;
    SettingsLoadReport load = LoadSettings(path, s, table, "/");
    EXPECT_FALSE(load.complete);
    EXPECT_EQ(s.outputWidth, 640);  // what could be read is kept
    EXPECT_EQ(s.graphic.jpegValue, 95);
    SettingsSaveResult saved = SaveSettings(path, s, table, load);
    EXPECT_FALSE(saved.written);
    EXPECT_EQ(saved.error, path + ": not written, to keep the values it holds: " + path +
                               ": holds a NUL byte at offset 20; not a settings text file");
    EXPECT_EQ(readText(path), damaged);

    // Start-up that never reached the file (an error before it) must not replace it either.
    writeText(path, "[Form]\noutWsize=640\n");
    SettingsSaveResult blind = SaveSettings(path, s, table, SettingsLoadReport{});
    EXPECT_FALSE(blind.written);
    EXPECT_EQ(blind.error, path + ": not written, to keep the values it holds: it was not read at start");
    EXPECT_EQ(readText(path), "[Form]\noutWsize=640\n");
}

TEST(AppSettings, RenderOptionsAndHeaderTakeTheirValues) {
    AppSettings s;
    s.graphic.bwPlot = true;
    s.graphic.bw2Grey = false;
    s.graphic.auxLineHidden = true;
    s.graphic.picturesHidden = true;
    s.hatchOn = true;
    s.lineColorHatch[3] = 5;
    s.solidFlag = 2;
    s.solidBrushStyle = BrushStyle::Cross;
    JwCadTextOptions text{2, 1, 0.75};
    RenderOptions o = MakeRenderOptions(s, text);
    EXPECT_TRUE(o.bwPlot);
    EXPECT_FALSE(o.bw2Grey);
    EXPECT_TRUE(o.auxLineHidden);
    EXPECT_FALSE(o.thinLines);
    EXPECT_TRUE(o.picturesHidden);
    EXPECT_TRUE(o.hatchOn);
    EXPECT_EQ(o.lineColorHatch[3], 5);
    EXPECT_EQ(o.solidBrushStyle, BrushStyle::Cross);
    EXPECT_EQ(o.drawOutLine, 2);
    EXPECT_EQ(o.lastDraw, 1);
    EXPECT_DOUBLE_EQ(o.outLineExpansion, 0.75);
    EXPECT_EQ(o.drawOrder, -1);
    DrawingHeader h;
    SeedDrawingHeader(s, h);
    EXPECT_EQ(h.DisplayOption[2], 2u);
}

TEST(AppSettings, SettingsPathFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/tmp/cfg/korvel/Korvel.INI");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    EXPECT_EQ(DefaultSettingsPath(), std::string(std::getenv("HOME")) + "/.config/korvel/Korvel.INI");
    if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace korvel
