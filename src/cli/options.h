// A small GNU-style option parser shared by the subcommands: --flag, --name VALUE, --name=VALUE,
// short aliases, "--" ending the options, everything else a file.
#pragma once

#include <string>
#include <vector>

#include "drawing/loaders.h"

namespace korvel::cli {

class OptionParser {
public:
    OptionParser(std::string command, std::vector<std::string> args)
        : command_(std::move(command)), args_(std::move(args)) {}

    // `names` may hold several spellings separated by '|', e.g. "-o|--output".
    void flag(const std::string& names, bool& target);
    void value(const std::string& names, std::string& target);
    // A value option that may be given more than once.
    void values(const std::string& names, std::vector<std::string>& target);

    // Parses; on an unknown option or a missing value prints an error and returns false.
    bool parse();
    bool ok() const { return ok_; }
    const std::vector<std::string>& files() const { return files_; }

private:
    struct Option {
        std::vector<std::string> names;
        bool* flag = nullptr;
        std::string* value = nullptr;
        std::vector<std::string>* list = nullptr;
    };
    Option* find(const std::string& name);

    std::string command_;
    std::vector<std::string> args_;
    std::vector<Option> options_;
    std::vector<std::string> files_;
    bool ok_ = true;
};

bool ParseDataKind(const std::string& text, DataKind& kind);
// A whole decimal number within [low, high].
bool ParseInt(const std::string& text, long low, long high, long& out);

}  // namespace korvel::cli
