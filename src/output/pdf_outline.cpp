// The outline as an incremental update of the PDF that Qt wrote.
#include "output/pdf_outline.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace korvel {

namespace {

using View = std::string_view;

// The last occurrence of `what` in `text` before `end`; npos when none.
size_t findLast(View text, View what, size_t end = View::npos) {
    return text.rfind(what, end == View::npos ? View::npos : end);
}

// A whole number at `pos` after spaces; false when there is none or it is absurdly long.
bool numberAt(View text, size_t& pos, long& value) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    const size_t start = pos;
    long v = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        if (pos - start >= 12) return false;
        v = v * 10 + (text[pos] - '0');
        ++pos;
    }
    if (pos == start) return false;
    value = v;
    return true;
}

// The value of "/Key n" or "/Key n 0 R" in a dictionary's text.
bool keyNumber(View dict, View key, long& value) {
    size_t at = 0;
    while ((at = dict.find(key, at)) != View::npos) {
        size_t pos = at + key.size();
        // "/Pages" must not match "/PagesX".
        if (pos < dict.size() && std::isalnum(static_cast<unsigned char>(dict[pos]))) {
            at = pos;
            continue;
        }
        return numberAt(dict, pos, value);
    }
    return false;
}

// The dictionary text of object `number` (between its outer "<<" and ">>"), found by its header
// "n 0 obj" at the start of a line.
bool objectDictionary(View pdf, long number, View& dict) {
    const std::string header = std::to_string(number) + " 0 obj";
    size_t at = 0;
    while ((at = pdf.find(header, at)) != View::npos) {
        if (at == 0 || pdf[at - 1] == '\n' || pdf[at - 1] == '\r') break;
        at += header.size();
    }
    if (at == View::npos) return false;
    const size_t end = pdf.find("endobj", at);
    if (end == View::npos) return false;
    const size_t open = pdf.find("<<", at);
    const size_t close = findLast(pdf, ">>", end);
    if (open == View::npos || close == View::npos || close < open || open > end) return false;
    dict = pdf.substr(open + 2, close - open - 2);
    return true;
}

// The object numbers of "n 0 R" in the array after `key`.
bool referenceArray(View dict, View key, std::vector<long>& out) {
    const size_t at = dict.find(key);
    if (at == View::npos) return false;
    const size_t open = dict.find('[', at), close = dict.find(']', at);
    if (open == View::npos || close == View::npos || close < open) return false;
    const View items = dict.substr(open + 1, close - open - 1);
    size_t pos = 0;
    long n, generation;
    while (numberAt(items, pos, n)) {
        if (!numberAt(items, pos, generation)) return false;
        while (pos < items.size() && std::isspace(static_cast<unsigned char>(items[pos]))) ++pos;
        if (pos >= items.size() || items[pos] != 'R') return false;
        ++pos;
        out.push_back(n);
    }
    return true;
}

void appendUtf16(std::string& hex, unsigned unit) {
    char b[5];
    std::snprintf(b, sizeof b, "%04X", unit & 0xFFFFu);
    hex += b;
}

}  // namespace

std::string PdfTextString(const std::string& utf8) {
    std::string hex = "<FEFF";
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp = 0xFFFD;
        size_t length = 1;
        if (c < 0x80) cp = c;
        else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, length = 2;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, length = 3;
        else if ((c & 0xF8) == 0xF0) cp = c & 0x07, length = 4;
        if (length > 1) {
            bool whole = i + length <= utf8.size();
            for (size_t k = 1; whole && k < length; ++k) {
                const unsigned char d = static_cast<unsigned char>(utf8[i + k]);
                if ((d & 0xC0) != 0x80) whole = false;
                else cp = (cp << 6) | (d & 0x3F);
            }
            if (!whole || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD, length = 1;
        }
        i += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            appendUtf16(hex, 0xD800 + (cp >> 10));
            appendUtf16(hex, 0xDC00 + (cp & 0x3FF));
        } else {
            appendUtf16(hex, cp);
        }
    }
    return hex + ">";
}

bool AppendPdfOutline(std::vector<uint8_t>& pdf, const std::vector<std::string>& titles, std::string& error) {
    const View text(reinterpret_cast<const char*>(pdf.data()), pdf.size());
    const size_t startxref = findLast(text, "startxref");
    const size_t trailer = findLast(text, "trailer", startxref);
    if (startxref == View::npos || trailer == View::npos) {
        error = "the PDF has no trailer";
        return false;
    }
    size_t pos = startxref + std::strlen("startxref");
    long previous = 0, size = 0, root = 0, info = 0;
    const View trailerDict = text.substr(trailer, startxref - trailer);
    if (!numberAt(text, pos, previous) || previous <= 0 || size_t(previous) >= pdf.size() ||
        !keyNumber(trailerDict, "/Size", size) || !keyNumber(trailerDict, "/Root", root) || size <= 0) {
        error = "the PDF trailer could not be read";
        return false;
    }
    const bool hasInfo = keyNumber(trailerDict, "/Info", info);
    View catalog, pageTree;
    long pagesObject = 0;
    std::vector<long> pages;
    if (!objectDictionary(text, root, catalog) || !keyNumber(catalog, "/Pages", pagesObject) ||
        !objectDictionary(text, pagesObject, pageTree) || !referenceArray(pageTree, "/Kids", pages)) {
        error = "the PDF catalog or page tree could not be read";
        return false;
    }
    if (catalog.find("/Outlines") != View::npos) {
        error = "the PDF has an outline already";
        return false;
    }
    const size_t count = std::min(titles.size(), pages.size());
    if (count == 0) return true;

    std::string update = "\n";
    std::vector<std::pair<long, size_t>> offsets;  // object, offset
    auto begin = [&](long number) {
        offsets.emplace_back(number, pdf.size() + update.size());
        update += std::to_string(number) + " 0 obj\n<<";
    };
    const long outlines = size;
    begin(root);
    update += std::string(catalog) + "\n/Outlines " + std::to_string(outlines) + " 0 R\n/PageMode /UseOutlines\n>>\nendobj\n";
    begin(outlines);
    update += "\n/Type /Outlines\n/First " + std::to_string(outlines + 1) + " 0 R\n/Last " +
              std::to_string(outlines + long(count)) + " 0 R\n/Count " + std::to_string(count) + "\n>>\nendobj\n";
    for (size_t i = 0; i < count; ++i) {
        const long self = outlines + 1 + long(i);
        begin(self);
        update += "\n/Title " + PdfTextString(titles[i]) + "\n/Parent " + std::to_string(outlines) + " 0 R\n/Dest [" +
                  std::to_string(pages[i]) + " 0 R /Fit]\n";
        if (i > 0) update += "/Prev " + std::to_string(self - 1) + " 0 R\n";
        if (i + 1 < count) update += "/Next " + std::to_string(self + 1) + " 0 R\n";
        update += ">>\nendobj\n";
    }
    const size_t xref = pdf.size() + update.size();
    auto entry = [&](size_t offset) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        update += line;
    };
    // Two runs of numbers: the catalog again, then the new objects after the old ones.
    update += "xref\n" + std::to_string(root) + " 1\n";
    entry(offsets[0].second);
    update += std::to_string(outlines) + " " + std::to_string(count + 1) + "\n";
    for (size_t i = 1; i < offsets.size(); ++i) entry(offsets[i].second);
    update += "trailer\n<<\n/Size " + std::to_string(outlines + long(count) + 1) + "\n/Root " + std::to_string(root) +
              " 0 R\n";
    if (hasInfo) update += "/Info " + std::to_string(info) + " 0 R\n";
    update += "/Prev " + std::to_string(previous) + "\n>>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    pdf.insert(pdf.end(), update.begin(), update.end());
    return true;
}

}  // namespace korvel
