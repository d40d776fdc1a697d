// A Windows-style INI file in memory: sections of key=value lines, looked up without regard to
// case, read with the private-profile number rules and written back whole and atomically.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Converts INI integer text as the settings store reads it: hexadecimal when the text is longer
// than two characters and begins with 0x or 0X, otherwise decimal; surrounding blanks are allowed.
// Fails on anything else, including values outside the 32-bit range.
bool ParseIniInteger(std::string_view text, int& value);

class IniFile {
public:
    struct ReadResult {
        bool exists = false;    // something is at the path
        bool complete = true;   // all of it was read (false: unreadable, or not a text file)
        std::string error;      // what went wrong, naming the file
    };

    // Reads `path` into `file`. A missing file gives an empty, complete result.
    static ReadResult read(const std::string& path, IniFile& file);

    // Replaces the contents with `text`. Lines that are neither sections nor keys are kept as they
    // are and written back unchanged.
    void parse(std::string_view text);

    // The value of `key` in `section`; names compare without case and without surrounding blanks,
    // as Windows does, so " LSolidStyle0" also finds a hand-written "LSolidStyle0".
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // A boolean is an integer: default 1 for true and 0 for false, true when not 0.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;

    // Sets a value, adding the section or key at the end when absent. The key is written exactly
    // as given (a leading space included), replacing the spelling found in the file.
    void set(std::string_view section, std::string_view key, const std::string& value);
    void setInteger(std::string_view section, std::string_view key, long long value);

    std::string text() const;
    // Writes text() through OutputFile (a link to a settings file kept elsewhere stays a link),
    // creating the folder when needed. On failure the old file is untouched and `error` names
    // the problem.
    bool write(const std::string& path, std::string& error) const;

private:
    struct Line {
        std::string key;    // empty for a raw line
        std::string value;
        std::string raw;    // comment, blank or unrecognised line, kept verbatim
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };
    // Lines before the first section header live in a nameless first section.
    std::vector<Section> sections_;

    const Section* findSection(std::string_view name) const;
    Section& sectionFor(std::string_view name);
};

}  // namespace korvel
