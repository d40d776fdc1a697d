// Small drawings that ask for an unbounded amount of work: nested blocks that multiply, dashed
// lines of a kilometre, many references to huge pictures. Built in code so that no large file
// is kept in the repository; tools/make_hostile_drawings writes them out for measuring.
#pragma once

#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drawing_builder.h"

namespace korvel::test {

// How the inserts of one level of nestedBlocks() sit.
enum class Nesting {
    Stacked,   // all at the origin: every copy draws the same figures
    Jittered,  // a hundredth of a millimetre apart: every copy visible, all in one place
    Tiled,     // side by side, each scaled down to keep the level 10 mm wide, under a line of its own
};

// Block 0 holds a 10 mm square of four lines; block k inserts block k-1 `perLevel` times; the
// top inserts the last block once. The records a render meets grow as perLevel^levels.
inline Drawing nestedBlocks(int levels, int perLevel, Nesting nesting) {
    DrawingBuilder b;
    b.beginBlock();
    b.line(0, 0, 10, 0);
    b.line(10, 0, 10, 10);
    b.line(10, 10, 0, 10);
    b.line(0, 10, 0, 0);
    b.endBlock();
    const double share = 1.0 / perLevel;
    for (int level = 1; level <= levels; ++level) {
        b.beginBlock();
        for (int i = 0; i < perLevel; ++i) {
            if (nesting == Nesting::Stacked) b.insert(level - 1, 0, 0);
            if (nesting == Nesting::Jittered) b.insert(level - 1, i * 0.01, 0);
            if (nesting == Nesting::Tiled) b.insert(level - 1, i * 10.0 * share, 0, 0.0, share, share);
        }
        if (nesting == Nesting::Tiled) b.line(0, 10, 10, 10);
        b.endBlock();
    }
    b.insert(static_cast<uint32_t>(levels), 0, 0);
    for (int level = 0; level <= levels; ++level)
        b.drawing.top.definitions[level].name = "level" + std::to_string(level);
    b.extents(-1, -1, 11 + levels * perLevel * 0.01, 11);
    b.drawing.ExpectedCount = 1;
    return std::move(b.drawing);
}

// `count` horizontal dashed lines (line type 4) of `lengthMm` each, 10 mm apart.
inline Drawing longDashedLines(int count, double lengthMm) {
    DrawingBuilder b;
    for (int i = 0; i < count; ++i) b.line(0, i * 10.0, lengthMm, i * 10.0, 2, 4);
    b.extents(-1, -1, lengthMm + 1, count * 10.0 + 1);
    return std::move(b.drawing);
}

// `count` picture references, the i-th to files[i % files.size()], each 20 mm wide, in a row.
inline Drawing pictureReferences(int count, const std::vector<std::string>& files) {
    DrawingBuilder b;
    for (int i = 0; i < count; ++i) {
        TDataMoji& t = b.text((i % 20) * 25.0, (i / 20) * 25.0,
                              "^@BM" + files[i % files.size()] + ",20,20");
        t.end = t.start;
    }
    b.extents(-1, -1, 20 * 25.0 + 1, ((count + 19) / 20) * 25.0 + 1);
    return std::move(b.drawing);
}

// A two-colour palette PNG of width x height, written row by row so that no picture-sized
// buffer is ever held; a few kilobytes per hundred megapixels. False when it cannot be written.
inline bool writeLargePng(const std::string& path, int width, int height) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[2] = {{0x20, 0x60, 0xC0}, {0xF0, 0xF0, 0xF0}};
    png_set_PLTE(png, info, palette, 2);
    png_write_info(png, info);
    std::vector<png_byte> row((width + 7) / 8, 0x0F);
    for (int y = 0; y < height; ++y) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace korvel::test
