// Where text variables say the drawing lives: Jw_win's folder setting and its window caption.
#include <gtest/gtest.h>

#include <map>

#include "drawing/cp932.h"
#include "drawing/drawing_name.h"

namespace korvel {
namespace {

class FakeRegistry : public RegistrySource {
public:
    std::map<std::string, std::map<std::string, std::string>> strings;
    bool keyExists(const std::string& key) const override { return strings.count(key) > 0; }
    bool readString(const std::string& key, const std::string& value, std::string& out) const override {
        auto k = strings.find(key);
        if (k == strings.end()) return false;
        auto v = k->second.find(value);
        if (v == k->second.end()) return false;
        out = v->second;
        return true;
    }
    bool readDword(const std::string&, const std::string&, uint32_t&) const override { return false; }
};

class FakeWindows : public WindowTitleSource {
public:
    std::vector<std::string> list;
    std::vector<std::string> titles() const override { return list; }
};

const char kFolder[] = "Software\\Jw_cad\\jw_win\\Folder";

TEST(DrawingName, WithoutJwWinNothingChanges) {
    Drawing d;
    d.DrawingName = "plan";
    d.DrawingFolder = "/home/u";
    RefreshDrawingName(d, EmptyRegistrySource(), "/opt/korvel");
    EXPECT_EQ(d.DrawingName, "plan");
    EXPECT_EQ(d.DrawingFolder, "/home/u");
    TakeDrawingNameFromJwWin(d, EmptyWindowTitleSource());
    EXPECT_EQ(d.DrawingName, "");
}

TEST(DrawingName, FolderKeyBuildsThePath) {
    FakeRegistry reg;
    reg.strings[kFolder] = {{"File", "C:\\jww\\work"}, {"ZFILE", "C:\\susie\\ifjpeg.spi"}};
    Drawing d;
    d.DrawingName = "house.JWW";
    std::string susie;
    RefreshDrawingName(d, reg, "/opt/korvel", &susie);
    EXPECT_EQ(susie, "C:\\susie\\ifjpeg.spi");
    EXPECT_EQ(d.DrawingFolder, "C:\\jww\\work");
    EXPECT_EQ(d.DrawingName, "house");
    EXPECT_EQ(d.DrawingPath, "C:\\jww\\work\\house.jww");
    d.DrawingName = "site.dxf2";  // not one of the extensions Jw_win adds
    RefreshDrawingName(d, reg, "/opt/korvel");
    EXPECT_EQ(d.DrawingPath, "C:\\jww\\work\\site.dxf2.jww");
    // The extensions Jw_win adds, in any case, go; the name before them stays.
    for (const char* name : {"site.jwc", "site.Dxf", "site.JWW", "site.jww"}) {
        d.DrawingName = name;
        RefreshDrawingName(d, reg, "/opt/korvel");
        EXPECT_EQ(d.DrawingName, "site") << name;
        EXPECT_EQ(d.DrawingPath, "C:\\jww\\work\\site.jww") << name;
    }
    d.DrawingName = ".JWW";  // the extension alone
    RefreshDrawingName(d, reg, "/opt/korvel");
    EXPECT_EQ(d.DrawingPath, "C:\\jww\\work\\.jww");
    d.DrawingName = ".jw";  // shorter than any extension
    RefreshDrawingName(d, reg, "/opt/korvel");
    EXPECT_EQ(d.DrawingPath, "C:\\jww\\work\\.jw.jww");
}

TEST(DrawingName, AnEmptyFolderMeansNoName) {
    FakeRegistry reg;
    reg.strings[kFolder] = {{"File", ""}};
    Drawing d;
    d.DrawingName = "house";
    RefreshDrawingName(d, reg, "/opt/korvel");
    EXPECT_EQ(d.DrawingName, "no-name");
    EXPECT_EQ(d.DrawingPath, "/opt/korvel\\no-name.jww");
}

TEST(DrawingName, CaptionOfTheLastMatchingJwWinWindow) {
    FakeWindows w;
    w.list = {"Terminal", "plan - jw_win", "- jw_win alone", " - jw_win", "notes - jw_winword", "Ａ棟平面図 - jw_win"};
    Drawing d;
    TakeDrawingNameFromJwWin(d, w);
    // The last window that names a drawing; a caption with nothing before the mark names none.
    EXPECT_EQ(Cp932ToUtf8(d.DrawingName), "Ａ棟平面図");
    w.list = {"plan.jww - jw_win", "Terminal"};
    TakeDrawingNameFromJwWin(d, w);
    EXPECT_EQ(d.DrawingName, "plan.jww");
    // Captions are read to 254 bytes: a mark that ends at byte 255 is cut off.
    w.list = {std::string(245, 'a') + " - jw_win", std::string(246, 'b') + " - jw_win"};
    TakeDrawingNameFromJwWin(d, w);
    EXPECT_EQ(d.DrawingName, std::string(245, 'a'));
    w.list = {"Terminal"};
    TakeDrawingNameFromJwWin(d, w);
    EXPECT_EQ(d.DrawingName, "");
}

TEST(DrawingName, PathRebuiltForJwWinsDrawing) {
    Drawing d;
    d.DrawingFolder = "C:\\jww";
    d.DrawingName = "plan.JWW";
    RebuildDrawingPath(d);
    EXPECT_EQ(d.DrawingName, "plan");
    EXPECT_EQ(d.DrawingPath, "C:\\jww\\plan.jww");
    Drawing unknown;
    unknown.DrawingName = "plan";
    RebuildDrawingPath(unknown);
    EXPECT_EQ(unknown.DrawingPath, "");
}

}  // namespace
}  // namespace korvel
