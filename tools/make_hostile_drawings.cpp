// Writes the drawings of tests/hostile_drawings.h into a folder, for measuring time and memory
// by hand: make_hostile_drawings DIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "drawing/loaders.h"
#include "hostile_drawings.h"

using namespace korvel;

namespace {

bool save(Drawing d, const std::string& path) {
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwwBytes(d, 351, saved);
    std::string error;
    if (!WriteFileAtomically(path, bytes, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    return true;
}

// The jittered nesting with a text of forty characters in place of the square.
Drawing nestedTexts() {
    Drawing d = test::nestedBlocks(12, 10, test::Nesting::Jittered);
    TDataMoji text;
    text.start = {0, 0};
    text.end = {10, 0};
    text.sizeX = text.sizeY = 0.25;
    text.penColor = 2;
    text.text = std::string(40, 'W');
    d.members.texts.push_back(text);
    for (uint32_t i = 0; i < 4; ++i) d.members.sequence[i] = {RecordClass::Moji, 0};
    return d;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_hostile_drawings DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    using test::Nesting;
    bool ok = save(test::nestedBlocks(12, 10, Nesting::Stacked), dir + "/nested_10x12_stacked.jww") &&
              save(test::nestedBlocks(12, 10, Nesting::Jittered), dir + "/nested_10x12_jittered.jww") &&
              save(test::nestedBlocks(12, 10, Nesting::Tiled), dir + "/nested_10x12_tiled.jww") &&
              save(test::nestedBlocks(32, 2, Nesting::Jittered), dir + "/nested_2x32_jittered.jww") &&
              save(test::nestedBlocks(32, 2, Nesting::Tiled), dir + "/nested_2x32_tiled.jww") &&
              save(test::longDashedLines(100, 1'000'000.0), dir + "/dashed_100x1km.jww") &&
              save(nestedTexts(), dir + "/nested_texts.jww");
    std::vector<std::string> pictures;
    for (int i = 0; ok && i < 30; ++i) {
        pictures.push_back(dir + "/picture" + std::to_string(i) + ".png");
        ok = test::writeLargePng(pictures.back(), 10000, 10000);
    }
    ok = ok && save(test::pictureReferences(300, pictures), dir + "/pictures_300x30.jww");
    return ok ? 0 : 1;
}
