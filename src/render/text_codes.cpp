#include "render/text_codes.h"

namespace korvel {

namespace {
bool isDigit1to9(const Cp932Char& c) { return !c.doubleByte && c.code >= '1' && c.code <= '9'; }
}  // namespace

void TextCodeState::resetStyle() {
    bold = textType_ >= 20000;
    italic = (textType_ >= 10000 && textType_ < 20000) || textType_ >= 30000;
    underline = false;
    strikeOut = false;
}

TextCodeResult ReadTextCode(const std::vector<Cp932Char>& chars, size_t i, TextCodeState& st,
                            TextGlyph& g, size_t& consumed) {
    const size_t n = chars.size();
    if (i + 1 >= n || !chars[i].is('^')) return TextCodeResult::NotACode;
    const Cp932Char code = chars[i + 1];
    if (code.doubleByte) return TextCodeResult::NotACode;
    auto state = [&consumed](size_t k) {
        consumed = k;
        return TextCodeResult::StateOnly;
    };
    auto glyph = [&consumed](size_t k) {
        consumed = k;
        return TextCodeResult::Glyph;
    };
    switch (code.code) {  // these three act even while codes are disabled
        case '%':
            st.codesOn = true;
            st.bold = st.italic = st.underline = st.strikeOut = false;
            st.penNumber = 0;
            st.gothicFace = false;
            return state(2);
        case '*': st.codesOn = false; return state(2);
        case '^': st.codesOn = true; return state(2);
        default: break;
    }
    if (!st.codesOn) return TextCodeResult::NotACode;
    const bool hasNext = i + 2 < n;
    switch (code.code) {
        case '!': st.bold = true; return state(2);
        case '/': st.italic = true; return state(2);
        case '_': st.underline = true; return state(2);
        case '-': st.strikeOut = true; return state(2);
        case '#': st.resetStyle(); return state(2);
        case '\\': st.gothicFace = true; return state(2);
        case '&': st.gothicFace = false; return state(2);
        case '$':
            if (!hasNext || !isDigit1to9(chars[i + 2])) return TextCodeResult::NotACode;
            st.penNumber = chars[i + 2].code - '0';
            return state(3);
        case 'u': case 'c': case 'd':
            if (!hasNext) return TextCodeResult::NotACode;
            g = TextGlyph{chars[i + 2], {}, false,
                          code.code == 'u' ? TextScript::Raised
                                           : code.code == 'c' ? TextScript::Centred : TextScript::Lowered,
                          0};
            return glyph(3);
        case 'o': case 'b': case 'B': case 'n': case 'O': {
            if (i == 0 || !hasNext) return TextCodeResult::NotACode;  // nothing to overlay yet
            const int mode = code.code == 'o' ? 1 : code.code == 'b' ? 2 : code.code == 'B' ? 3
                           : code.code == 'n' ? 4 : 6;
            g = TextGlyph{chars[i + 2], {}, false, TextScript::None, mode};
            return glyph(3);
        }
        case 'w': {
            if (i == 0 || i + 3 >= n || chars[i + 2].doubleByte) return TextCodeResult::NotACode;
            if (chars[i + 3].doubleByte) {
                g = TextGlyph{chars[i + 2], {}, false, TextScript::None, 1};
                return glyph(3);
            }
            g = TextGlyph{chars[i + 2], chars[i + 3], true, TextScript::None, 5};
            return glyph(4);
        }
        default: return TextCodeResult::NotACode;
    }
}

ShownText ShowText(const std::vector<Cp932Char>& chars, uint32_t textType) {
    ShownText shown;
    TextCodeState st(textType);
    const TextCodeState plain = st;
    size_t i = 0;
    while (i < chars.size()) {
        TextGlyph g;
        size_t consumed = 1;
        const TextCodeResult r = ReadTextCode(chars, i, st, g, consumed);
        if (r == TextCodeResult::NotACode) {
            g = TextGlyph{chars[i], {}, false, TextScript::None, 0};
            consumed = 1;
        }
        if (r != TextCodeResult::StateOnly) {
            if (g.script != TextScript::None || g.overlay != 0) shown.styled = true;
            shown.glyphs.push_back(g);
        }
        if (st.bold != plain.bold || st.italic != plain.italic || st.underline || st.strikeOut ||
            st.penNumber != 0 || st.gothicFace) {
            shown.styled = true;
        }
        i += consumed;
    }
    return shown;
}

}  // namespace korvel
