// Layer choices: the --layers list, and what a choice does to a render and to its frame.
#include <gtest/gtest.h>

#include "drawing/extents.h"
#include "drawing_builder.h"
#include "render/layer_choice.h"
#include "render/recording_target.h"
#include "render/render_driver.h"

namespace korvel {
namespace {

using test::DrawingBuilder;

// "G-L=s" for every pair the choice sets, in grid order: a whole choice in one comparable string.
std::string describe(const LayerChoice& c) {
    static const char* kHex = "0123456789ABCDEF";
    static const char* kShow = "hgs";
    std::string out;
    for (int g = 0; g < kLayerGroups; ++g) {
        for (int l = 0; l < kLayers; ++l) {
            const auto s = c.chosen(g, l);
            if (!s) continue;
            if (!out.empty()) out += ' ';
            out += std::string{kHex[g], '-', kHex[l], '=', kShow[static_cast<int>(*s)]};
        }
    }
    return out;
}

// The same, folded by group where all sixteen layers agree ("F=h").
std::string describeGroups(const LayerChoice& c) {
    static const char* kHex = "0123456789ABCDEF";
    static const char* kShow = "hgs";
    std::string out;
    for (int g = 0; g < kLayerGroups; ++g) {
        std::string group;
        bool same = true;
        const auto first = c.chosen(g, 0);
        for (int l = 0; l < kLayers; ++l) same = same && c.chosen(g, l) == first;
        if (same && first) {
            group = std::string{kHex[g], '=', kShow[static_cast<int>(*first)]};
        } else {
            for (int l = 0; l < kLayers; ++l) {
                const auto s = c.chosen(g, l);
                if (!s) continue;
                group += (group.empty() ? "" : " ") + std::string{kHex[g], '-', kHex[l], '=', kShow[static_cast<int>(*s)]};
            }
        }
        if (group.empty()) continue;
        out += (out.empty() ? "" : " ") + group;
    }
    return out;
}

LayerChoice parsed(const std::string& layers) {
    LayerChoice c;
    std::string error;
    EXPECT_TRUE(ApplyLayerSpec(layers, c, error)) << layers << ": " << error;
    return c;
}

TEST(LayerSpec, ItemsShowHideAndGreyFromTheLeft) {
    EXPECT_EQ(describeGroups(parsed("0-*,1-3,^F-*")), "0=s 1-3=s F=h");
    EXPECT_EQ(describeGroups(parsed("^*,2")), "0=h 1=h 2=s 3=h 4=h 5=h 6=h 7=h 8=h 9=h A=h B=h C=h D=h E=h F=h");
    EXPECT_EQ(describe(parsed("~a-B")), "A-B=g");
    EXPECT_EQ(describe(parsed("~A-b")), "A-B=g");
    EXPECT_EQ(describe(parsed("*-5")),
              "0-5=s 1-5=s 2-5=s 3-5=s 4-5=s 5-5=s 6-5=s 7-5=s 8-5=s 9-5=s A-5=s B-5=s C-5=s D-5=s E-5=s F-5=s");
    // A later item wins over an earlier one for the pairs they share.
    EXPECT_EQ(describeGroups(parsed("^3,3-4")),
              "3-0=h 3-1=h 3-2=h 3-3=h 3-4=s 3-5=h 3-6=h 3-7=h 3-8=h 3-9=h 3-A=h 3-B=h 3-C=h 3-D=h 3-E=h 3-F=h");
    EXPECT_EQ(describe(parsed(" 1 - 2 , ^ 1-2 ")), "1-2=h");
}

TEST(LayerSpec, EveryFaultNamesItsItemAndChangesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "an empty item (two commas, or a comma at an end)"},
        {"1,,2", "an empty item (two commas, or a comma at an end)"},
        {"0-*,", "an empty item (two commas, or a comma at an end)"},
        {"G-1", "'G-1': 'G' is not a layer group (0-F or *)"},
        {"12", "'12': '12' is not a layer group (0-F or *)"},
        {"1-10", "'1-10': '10' is not a layer (0-F or *)"},
        {"1-", "'1-': '' is not a layer (0-F or *)"},
        {"^", "'^': '' is not a layer group (0-F or *)"},
        {"^^1", "'^^1': '^1' is not a layer group (0-F or *)"},
        {"1-2-3", "'1-2-3': '2-3' is not a layer (0-F or *)"},
    };
    for (const auto& [list, message] : cases) {
        LayerChoice c = parsed("5-5");
        std::string error;
        EXPECT_FALSE(ApplyLayerSpec(list, c, error)) << list;
        EXPECT_EQ(error, message) << list;
        EXPECT_EQ(describe(c), "5-5=s") << list;  // nothing of a refused list is applied
    }
}

TEST(LayerChoiceStates, TheDrawingsOwnStatesAndWhatAChoiceChanges) {
    DrawingBuilder b;
    DrawingHeader& h = b.drawing.header;
    h.LayerGroupState[1] = 0;  // group 1 hidden
    h.LayerState[2][3] = 1;    // 2-3 greyed
    h.LayerGroupState[4] = 1;  // all of group 4 greyed
    h.LayerState[4][5] = 0;    // ...but 4-5 hidden
    const Drawing& d = b.drawing;
    EXPECT_EQ(DrawingLayerShow(d, 0, 0), LayerShow::Shown);
    EXPECT_EQ(DrawingLayerShow(d, 1, 7), LayerShow::Hidden);
    EXPECT_EQ(DrawingLayerShow(d, 2, 3), LayerShow::Greyed);
    EXPECT_EQ(DrawingLayerShow(d, 4, 0), LayerShow::Greyed);
    EXPECT_EQ(DrawingLayerShow(d, 4, 5), LayerShow::Hidden);
    EXPECT_EQ(DrawingLayerShow(d, 16, 0), LayerShow::Hidden);
    EXPECT_EQ(DrawingLayerShow(d, 0, -1), LayerShow::Hidden);

    const LayerChoice own = LayerChoice::Of(d);
    EXPECT_FALSE(own.empty());
    EXPECT_FALSE(own.changesVisibility(d));
    EXPECT_EQ(own.showOf(d, 1, 7), LayerShow::Hidden);
    EXPECT_EQ(own.showOf(d, 2, 3), LayerShow::Greyed);

    LayerChoice greyOnly = own;
    greyOnly.set(0, 0, LayerShow::Greyed);
    EXPECT_FALSE(greyOnly.changesVisibility(d));  // greyed still draws: the frame stays
    LayerChoice shows = own;
    shows.set(1, 7, LayerShow::Greyed);
    EXPECT_TRUE(shows.changesVisibility(d));
    const auto mask = shows.shownMask(d);
    EXPECT_TRUE(mask[1 * 16 + 7]);
    EXPECT_FALSE(mask[1 * 16 + 6]);
    EXPECT_FALSE(mask[4 * 16 + 5]);
    shows.clear(1, 7);
    EXPECT_FALSE(shows.chosen(1, 7).has_value());
    EXPECT_NE(shows, own);  // cleared is not the same as chosen as the drawing has it
    EXPECT_EQ(shows.showOf(d, 1, 7), LayerShow::Hidden);

    // Data that draws every layer (JWS, Jw_win data) still obeys an explicit choice.
    b.drawing.AllLayers = true;
    EXPECT_EQ(DrawingLayerShow(d, 1, 7), LayerShow::Shown);
    EXPECT_EQ(DrawingLayerShow(d, 16, 0), LayerShow::Shown);
    EXPECT_EQ(parsed("^1").showOf(d, 1, 7), LayerShow::Hidden);
}

TEST(LayerChoiceStates, RecordsAreCountedWhereTheyLie) {
    DrawingBuilder b = [] {
        DrawingBuilder d;
        d.beginBlock();
        d.line(0, 0, 1, 1).layerGroup = 9;  // a member: counted with its insert only
        d.endBlock();
        d.line(0, 0, 1, 1);
        d.circle(0, 0, 1).layer = 15;
        TDataMoji& t = d.text(0, 0, "a");
        t.layerGroup = 15;
        t.layer = 15;
        d.insert(0, 0, 0).layerGroup = 2;
        d.point(0, 0).layerGroup = 16;  // outside the grid
        d.solid({0, 0}, {1, 0}, {1, 1}, {0, 1}).layer = 15;
        return d;
    }();
    uint32_t outside = 99;
    const auto counts = CountRecordsByLayer(b.drawing, outside);
    EXPECT_EQ(outside, 1u);
    EXPECT_EQ(counts[0], 1u);
    EXPECT_EQ(counts[15], 2u);
    EXPECT_EQ(counts[255], 1u);
    EXPECT_EQ(counts[2 * 16], 1u);
    EXPECT_EQ(counts[9 * 16], 0u);
    uint32_t total = 0;
    for (uint32_t c : counts) total += c;
    EXPECT_EQ(total, 5u);

    // What a choice lets draw: the point outside the grid only where every layer is drawn.
    EXPECT_EQ(CountShownRecords(b.drawing, LayerChoice{}), 5u);
    EXPECT_EQ(CountShownRecords(b.drawing, parsed("^F")), 4u);
    EXPECT_EQ(CountShownRecords(b.drawing, parsed("^*,2")), 1u);
    EXPECT_EQ(CountShownRecords(b.drawing, parsed("^*,9")), 0u);
    b.drawing.AllLayers = true;
    EXPECT_EQ(CountShownRecords(b.drawing, parsed("^*,9")), 1u);
}

// Each polyline's pen colour and first point, in drawing order.
std::vector<std::pair<uint32_t, DevicePoint>> strokes(const Drawing& d, const RenderOptions& o) {
    RecordingTarget t;
    RenderRequest r;
    r.width = 200;
    r.height = 200;
    RenderDrawing(t, d, o, r);
    std::vector<std::pair<uint32_t, DevicePoint>> out;
    for (const RecordedCall& c : t.only(CallKind::Polyline)) out.push_back({c.pen.color, c.points.front()});
    return out;
}

// Three lines, one per group 0, 1 and F, side by side; a block on group 2 holding a line of
// group 0.
DrawingBuilder threeGroups() {
    DrawingBuilder b;
    b.beginBlock();
    b.line(0, 0, 0, 10);
    b.endBlock();
    b.line(0, 0, 10, 0);
    b.line(0, 20, 10, 20).layerGroup = 1;
    TDataSen& f = b.line(0, 40, 10, 40);
    f.layerGroup = 15;
    f.layer = 3;
    b.insert(0, 50, 0).layerGroup = 2;
    b.extents(-1, -1, 51, 41);
    return b;
}

TEST(LayerChoiceRender, HiddenGroupsDrawNothingAndGreyedOnesDrawGrey) {
    DrawingBuilder b = threeGroups();
    RenderOptions o;
    o.frame = b.drawing.extents;  // the same frame throughout, so that strokes compare
    using S = std::vector<std::pair<uint32_t, DevicePoint>>;
    // 200 / 52 device units per millimetre; x 0 is device 4 (1 mm of margin), y 40 is 4.
    const S all = strokes(b.drawing, o);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].first, 0x000000u);

    o.layers = parsed("^1");
    EXPECT_EQ(strokes(b.drawing, o), (S{all[0], all[2], all[3]}));
    o.layers = parsed("^F-3");
    EXPECT_EQ(strokes(b.drawing, o), (S{all[0], all[1], all[3]}));
    o.layers = parsed("^F-2");  // another layer of F: nothing changes
    EXPECT_EQ(strokes(b.drawing, o), all);
    // A hidden insert hides its members; a member follows its own layer as well.
    o.layers = parsed("^2");
    EXPECT_EQ(strokes(b.drawing, o), (S{all[0], all[1], all[2]}));
    o.layers = parsed("^0-0");
    EXPECT_EQ(strokes(b.drawing, o), (S{all[1], all[2]}));

    o.layers = parsed("~F");
    const S grey = strokes(b.drawing, o);
    ASSERT_EQ(grey.size(), 4u);
    EXPECT_EQ(grey[2], std::make_pair(0xC0C0C0u, all[2].second));
    EXPECT_EQ(grey[0], all[0]);
    // Greyed wins over the monochrome modes, as the drawing's own greyed layers do.
    o.bwPlot = true;
    EXPECT_EQ(strokes(b.drawing, o)[2].first, 0xC0C0C0u);
    EXPECT_EQ(strokes(b.drawing, o)[0].first, 0x000000u);
    o.bwPlot = false;

    // A choice overrides the drawing's states both ways: shown in the file, greyed or hidden by
    // the choice, and the other way round.
    b.drawing.header.LayerGroupState[1] = 0;
    o.layers = LayerChoice{};
    EXPECT_EQ(strokes(b.drawing, o).size(), 3u);
    o.layers = parsed("1-0");
    EXPECT_EQ(strokes(b.drawing, o).size(), 4u);
    b.drawing.header.LayerState[0][0] = 1;
    o.layers = parsed("0-0");
    EXPECT_EQ(strokes(b.drawing, o)[0].first, 0x000000u);
}

TEST(LayerChoiceRender, TheFrameFollowsWhatTheChoiceShows) {
    DrawingBuilder b = threeGroups();
    b.drawing.header.LayerGroupState[15] = 0;  // F hidden in the file
    b.drawing.extents = Extents{};
    // Measured as a load does: the line at y 40 is left out, the insert's member counted.
    RenderOptions o;
    std::vector<std::string> warnings;
    const Extents own = MeasureExtents(b.drawing, o.layers.shownMask(b.drawing), warnings);
    EXPECT_DOUBLE_EQ(own.MinX, -1.0);
    EXPECT_DOUBLE_EQ(own.MaxX, 51.0);
    EXPECT_DOUBLE_EQ(own.MinY, -1.0);
    EXPECT_DOUBLE_EQ(own.MaxY, 21.0);
    EXPECT_DOUBLE_EQ(own.Aspect, 52.0 / 22.0);
    b.drawing.extents = own;

    EXPECT_DOUBLE_EQ(PictureFrame(b.drawing, o).MaxY, 21.0);
    o.layers = parsed("~0");  // greying keeps every record: the drawing's own extents
    EXPECT_DOUBLE_EQ(PictureFrame(b.drawing, o).MaxY, 21.0);
    o.layers = parsed("F");
    const Extents shown = PictureFrame(b.drawing, o);
    EXPECT_DOUBLE_EQ(shown.MaxY, 41.0);
    EXPECT_DOUBLE_EQ(shown.MinY, -1.0);
    o.layers = parsed("^*,1");
    const Extents one = PictureFrame(b.drawing, o);
    EXPECT_DOUBLE_EQ(one.MinX, -1.0);
    EXPECT_DOUBLE_EQ(one.MaxX, 11.0);
    EXPECT_DOUBLE_EQ(one.MinY, 19.0);
    EXPECT_DOUBLE_EQ(one.MaxY, 21.0);
    // A frame the caller measured is used as it is.
    o.frame = own;
    EXPECT_DOUBLE_EQ(PictureFrame(b.drawing, o).MinY, -1.0);

    // The render fits that frame: group 1's line spans the whole width.
    o.frame.reset();
    RecordingTarget t;
    RenderRequest r;
    r.width = 120;
    r.height = 120;
    EXPECT_DOUBLE_EQ(RenderDrawing(t, b.drawing, o, r).scale, 10.0);
    ASSERT_EQ(t.count(CallKind::Polyline), 1u);
    EXPECT_EQ(t.only(CallKind::Polyline)[0].points, (std::vector<DevicePoint>{{10, 10}, {110, 10}}));
}

}  // namespace
}  // namespace korvel
