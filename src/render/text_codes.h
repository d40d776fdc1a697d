// The "^" codes inside texts: how many characters a code takes and what it changes. The text
// engine reads them while it draws; exports that keep texts as texts read them the same way to
// learn which characters a text shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/cp932_text.h"

namespace korvel {

enum class TextScript : uint8_t { None, Raised, Centred, Lowered };

// What one round of the character loop draws: one character, or the two of "^w" mode 5.
struct TextGlyph {
    Cp932Char first;
    Cp932Char second;
    bool pair = false;
    TextScript script = TextScript::None;
    int overlay = 0;  // 0 none, 1 to 6
};

// The style the codes have set so far in one text.
struct TextCodeState {
    explicit TextCodeState(uint32_t textType) : textType_(textType) { resetStyle(); }

    bool bold = false, italic = false, underline = false, strikeOut = false;
    bool codesOn = true;
    int penNumber = 0;        // 0: the record's own colour; 1..9: picked by "^$"
    bool gothicFace = false;  // "^\" switched to the Gothic face; "^&" and "^%" switch back

    // Weight and italic from the text type, underline and strike-out off ("^#").
    void resetStyle();

private:
    uint32_t textType_;
};

enum class TextCodeResult { NotACode, StateOnly, Glyph };

// Reads the code whose "^" is at `i`: StateOnly codes change `state`; Glyph codes also fill
// `glyph` with what they draw. `consumed` is how many characters the code takes (left alone
// for NotACode, where the "^" is an ordinary character).
TextCodeResult ReadTextCode(const std::vector<Cp932Char>& chars, size_t i, TextCodeState& state,
                            TextGlyph& glyph, size_t& consumed);

// The glyphs a text draws, in order, and whether any code changed how they look (weight,
// slant, lines, colour, face, scripts, overlays): what an export that keeps only the characters
// cannot show. `chars` are the text after its macros were expanded and its trailing spread and
// squeeze marks taken off (TextRunLayout::chars).
struct ShownText {
    std::vector<TextGlyph> glyphs;
    bool styled = false;
};
ShownText ShowText(const std::vector<Cp932Char>& chars, uint32_t textType);

}  // namespace korvel
