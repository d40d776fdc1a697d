// Finding the drawing's texts: full-width and half-width forms count as one character, and
// letters as one whatever their case, so "ＲＯＯＭ" finds "room" and "ｶﾞﾚｰｼﾞ" finds "ガレージ".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing.h"
#include "render/layer_choice.h"

namespace korvel {

// The search form of a text: full-width ASCII and the ideographic space as ASCII, half-width
// katakana as full-width (with their sound marks joined: ｶﾞ as ガ), then Latin, Greek and
// Cyrillic capitals as small letters.
std::u32string FoldForSearch(std::u32string_view text);
// UTF-8 to code points; a malformed sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view utf8);

struct TextHit {
    std::string text;        // the whole text, CP932 as stored
    bool dimension = false;  // the value of a dimension rather than a text record
    bool inBlock = false;    // a member of a block insert
    Point2 at;               // where the text starts, in drawing millimetres
    // The box the text's characters fill, in drawing millimetres.
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    uint16_t layerGroup = 0, layer = 0;
    LayerShow show = LayerShow::Shown;  // how its layer draws under the choice searched with
    uint32_t order = 0;                 // position of its top-level record in stream order
};

struct TextSearchResult {
    std::vector<TextHit> hits;  // in stream order
    bool truncated = false;     // more hits than the limit: only the first ones are listed
    bool complete = true;       // false: blocks nested too often to look through them all
};

// The texts and dimension values (top level and in blocks) that contain `query` (UTF-8) in the
// search form; an empty query finds nothing. Texts Jw_cad keeps its settings in and picture
// references are no texts to find. Texts on hidden layers are found too and say so.
TextSearchResult FindTexts(const Drawing& drawing, const LayerChoice& layers, std::string_view query,
                           size_t limit = 10000);

}  // namespace korvel
