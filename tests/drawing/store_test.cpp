#include <gtest/gtest.h>

#include "drawing/drawing.h"

namespace korvel {
namespace {

TEST(Store, ResetKeepsHeaderAndEmptiesRecords) {
    Drawing d;
    d.header.Memo = "memo";
    d.top.lines.push_back(TDataSen{});
    d.top.sequence.push_back({RecordClass::Sen, 0});
    d.ExpectedCount = 1;
    d.AllLayers = true;
    d.ResetStore();
    EXPECT_EQ(d.RecordCount(), 0u);
    EXPECT_EQ(d.ExpectedCount, 0u);
    EXPECT_FALSE(d.AllLayers);
    EXPECT_EQ(d.header.Memo, "memo");
    EXPECT_DOUBLE_EQ(d.extents.MinX, 999999999.9);
    EXPECT_DOUBLE_EQ(d.extents.MaxY, -999999999.9);
}

}  // namespace
}  // namespace korvel
