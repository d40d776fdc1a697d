// Every option of every command in one table: its names, the settings key it stands for, the
// values and range it takes, its default and its help. The command line, `--set`, the settings
// file, the commands' help, the manual page and the window's choices all read it, so that a value
// accepted in one place is accepted in all of them.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/settings_options.h"

namespace korvel {

// The commands that take an option, as bits.
enum CommandBit : unsigned {
    kInfoCommand = 1u << 0,
    kConvertCommand = 1u << 1,
    kSaveCommand = 1u << 2,
    kTextCommand = 1u << 3,
    kSettingsCommand = 1u << 4,
    kWatchCommand = 1u << 5,
    kWindowCommand = 1u << 6,
};

enum class OptionKind {
    Flag,    // no value: --name, and --no-name where it has a negation
    Number,  // a whole number from `low` to `high`
    Choice,  // one of `values`, by one of its names (or, for settings keys, by its number)
    Text,    // anything: file names, lists, SECTION/KEY=VALUE
};

// One value of a Choice: the number stored for it, its names (the first is the one help shows)
// and the window's caption for it, where the window offers it.
struct OptionValue {
    long number = 0;
    std::vector<const char*> names;
    const char* caption = nullptr;  // UTF-8
};

struct OptionSpec;
struct CommandLine;

// What an option does with its checked value: `number` is a Number's or Choice's number, 1 for
// a flag and 0 for its negation; `text` is the value as given. False, with `why`, when the value
// still cannot be used.
using OptionApply = bool (*)(const OptionSpec& option, long number, const std::string& text, CommandLine& out,
                             std::string& why);

struct OptionSpec {
    const char* name = nullptr;       // "--png-compression"
    const char* alias = nullptr;      // "-o"
    const char* negation = nullptr;   // "--no-progressive"
    OptionKind kind = OptionKind::Flag;
    const char* valueName = nullptr;  // what help calls the value: "LEVEL", "FILE"
    const char* section = nullptr;    // the settings key it sets, if any
    const char* key = nullptr;
    long low = 0, high = 0;           // Number
    std::vector<OptionValue> values;  // Choice
    unsigned commands = 0;            // CommandBit set
    const char* group = nullptr;      // heading in help
    const char* help = nullptr;       // one sentence or two, without the values and the default
    const char* defaultText = nullptr;  // null: the settings' own default, or none
    OptionApply apply = nullptr;        // null: the settings key gets the number, or the command keeps it
    bool setting = false;               // one of the settings options (sources, pens, keys, --set)
};

// What a command line holds once parsed against the table.
struct CommandLine {
    SettingsOptions settings;                  // sources, pens and the settings overrides
    std::vector<std::string> files;            // everything that is not an option, in order
    std::map<std::string, std::string> text;   // the command's own valued options, by long name
    std::map<std::string, long> number;        // ... and the numbers of those that have one
    std::set<std::string> flags;               // the command's own flags, by long name

    bool has(const std::string& name) const { return text.count(name) || flags.count(name); }
    std::string value(const std::string& name) const;
};

const std::vector<OptionSpec>& OptionTable();

// Parses `args` for the command: "--name VALUE", "--name=VALUE", "-o VALUE"; "--" ends the
// options, "-" and everything not starting with "-" are files. False, with `error` naming the
// option and what is wrong ("--jpeg-quality 0: must be a whole number from 1 to 100"), on an
// unknown option or an unusable value.
bool ParseCommandLine(unsigned command, const std::vector<std::string>& args, CommandLine& out, std::string& error);

// Checks a value against an option: its number on success, else why not ("must be ...").
bool ParseOptionValue(const OptionSpec& option, const std::string& text, long& number, std::string& why);

// The option that stands for a settings key (names compare as the settings file compares them).
const OptionSpec* OptionForKey(const std::string& section, const std::string& key);
// An option by its long name among those of `command`; null when there is none.
const OptionSpec* FindOption(unsigned command, const std::string& name);
// The values of a Choice option, for the window's lists.
const std::vector<OptionValue>& OptionValues(const char* name);

// The help of a command's options, grouped, each with its values and default.
std::string OptionsHelp(unsigned command);
// The same for a manual page (roff); `settings` chooses between the settings options
// (SettingsOptions: sources, pens, keys) and the command's own.
std::string OptionsManual(unsigned command, bool settings);
// The long names of the settings options a command takes, in table order.
std::vector<std::string> SettingsOptionNames(unsigned command);
// Text broken into lines of at most `width` columns, the lines after the first indented.
std::string WrapText(const std::string& text, size_t indent, size_t width);
// "(default: 75)", without the parentheses; empty when the option has none worth saying.
std::string OptionDefault(const OptionSpec& option);

}  // namespace korvel
