#include "output/deflate_join.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <set>
#include <string>
#include <vector>

namespace korvel {
namespace {

std::vector<uint8_t> rawDeflate(const std::vector<uint8_t>& data, int level) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<uint8_t> out(deflateBound(&z, uLong(data.size())));
    z.next_in = const_cast<uint8_t*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

// Inflates one raw stream; "" unless it ends exactly at the end of the bytes.
std::string inflateWhole(const std::vector<uint8_t>& bytes) {
    z_stream z{};
    inflateInit2(&z, -15);
    std::string out;
    z.next_in = const_cast<uint8_t*>(bytes.data());
    z.avail_in = uInt(bytes.size());
    char buffer[4096];
    int r = Z_OK;
    while (r == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        r = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    }
    const bool whole = r == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? out : std::string("");
}

std::vector<uint8_t> content(size_t length, uint32_t seed, bool repetitive) {
    std::vector<uint8_t> data(length);
    for (size_t i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        data[i] = repetitive ? uint8_t("drawing "[i % 8] + (seed >> 30)) : uint8_t(seed >> 24);
    }
    return data;
}

// Stored, fixed and dynamic blocks, ending anywhere in their last byte: each stream left open
// and followed by the next inflates as one stream to what went in, ending with the last.
TEST(DeflateJoin, StreamsOfEveryBlockKindAndEveryEndingJoinIntoOne) {
    std::set<size_t> appended;
    for (int level : {0, 1, 6}) {
        for (size_t length : {size_t(0), size_t(1), size_t(7), size_t(300), size_t(70000)}) {
            for (uint32_t seed = 1; seed <= 8; ++seed) {
                const std::vector<uint8_t> a = content(length + seed, seed, seed % 2 == 0);
                const std::vector<uint8_t> b = content(length / 2 + 3, seed * 7, seed % 3 == 0);
                std::vector<uint8_t> first = rawDeflate(a, level);
                const size_t whole = first.size();
                first.resize(whole + 5);
                const size_t open = LeaveDeflateStreamOpen(first.data(), whole, first.size());
                ASSERT_GT(open, whole) << level << " " << length << " " << seed;
                appended.insert(open - whole);
                first.resize(open);
                const std::vector<uint8_t> second = rawDeflate(b, level);
                std::vector<uint8_t> joined = first;
                joined.insert(joined.end(), second.begin(), second.end());
                std::string expected(a.begin(), a.end());
                expected.append(b.begin(), b.end());
                EXPECT_EQ(inflateWhole(joined), expected) << level << " " << length << " " << seed;
            }
        }
    }
    // Three unused bits or more take the stored block's header; fewer need one more byte.
    EXPECT_EQ(appended, (std::set<size_t>{4, 5}));
}

TEST(DeflateJoin, WhatIsNotOneWholeStreamIsLeftAsItIs) {
    const std::vector<uint8_t> text = content(5000, 3, true);
    std::vector<uint8_t> stream = rawDeflate(text, 6);
    const size_t size = stream.size();
    ASSERT_EQ(inflateWhole(stream), std::string(text.begin(), text.end()));
    const std::vector<uint8_t> original = stream;
    stream.resize(size + 16, 0xAB);

    EXPECT_EQ(LeaveDeflateStreamOpen(stream.data(), size - 1, stream.size()), 0u);  // cut short
    EXPECT_EQ(LeaveDeflateStreamOpen(stream.data(), size + 1, stream.size()), 0u);  // a byte after its end
    EXPECT_EQ(LeaveDeflateStreamOpen(stream.data(), size, size + 3), 0u);           // no room for the block
    EXPECT_EQ(LeaveDeflateStreamOpen(stream.data(), 0, stream.size()), 0u);
    std::vector<uint8_t> bad = original;
    bad[0] |= 6;  // block type 3 does not exist
    bad.resize(size + 16);
    EXPECT_EQ(LeaveDeflateStreamOpen(bad.data(), size, bad.size()), 0u);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), stream.begin()));
    EXPECT_EQ(stream[size], 0xAB);
}

}  // namespace
}  // namespace korvel
