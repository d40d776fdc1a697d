// The drawing's CP932 strings as a DXF file of each flavour holds them: CP932 bytes under the
// ANSI_932 code page (AutoCAD 2000), UTF-8 (AutoCAD 2013). Both kinds of file are read line
// by line, so control characters take DXF's caret form ("^J" for a line feed) and a caret of
// its own is written "^ ".
#pragma once

#include <cstddef>
#include <string>

namespace korvel {

enum class DxfVersion { R2000, R2013 };

class DxfStrings {
public:
    explicit DxfStrings(DxfVersion version) : version_(version) {}

    DxfVersion version() const { return version_; }

    // A string value (texts, descriptions, file names).
    std::string value(const std::string& cp932) const;
    // UTF-8 text (file system paths) as a string value.
    std::string valueFromUtf8(const std::string& utf8) const;
    // A table entry's name (layers, line types, styles, blocks): the characters a name may not
    // hold (< > / \ " : ; ? * | = ` and control characters) become "_".
    std::string name(const std::string& cp932) const;
    // Multi-line text content: "\", "{" and "}" escaped, lines joined by "\P".
    std::string mtextLine(const std::string& cp932) const;

    // Characters that were not CP932 and were written as "？" (AutoCAD 2000 flavour).
    size_t replaced() const { return replaced_; }

private:
    // Valid CP932 with control characters in caret form; bytes that are no CP932 character
    // become "？" and are counted.
    std::string cleanCp932(const std::string& cp932, bool forName, bool forMtext) const;
    std::string finish(const std::string& cleanCp932) const;

    DxfVersion version_;
    mutable size_t replaced_ = 0;
};

}  // namespace korvel
