// Bookmarks for a finished PDF: Qt's PDF writer makes none, so an incremental update adds an
// outline with one entry per page (new objects, the catalog again with /Outlines, a new
// cross-reference section and a trailer that points back to the old one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

// Appends the outline to `pdf`: entry i (a UTF-8 title) leads to page i; titles beyond the
// number of pages are ignored. The file is read only as far as its trailer, catalog and page
// tree, every read bounds-checked. False, with `error` and `pdf` unchanged, when the file is
// not laid out as expected (no trailer, a catalog that has an outline already...).
bool AppendPdfOutline(std::vector<uint8_t>& pdf, const std::vector<std::string>& titles, std::string& error);

// The title as a PDF text string: UTF-16BE with its byte-order mark, in hex ("<FEFF...>").
std::string PdfTextString(const std::string& utf8);

}  // namespace korvel
