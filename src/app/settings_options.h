// The settings options of a run: which settings file and Jw_cad registry to read, which pens to
// draw with, and the settings values to override for this run. The option table
// (app/option_table.h) parses them.
#pragma once

#include <string>
#include <vector>

#include "app/pen_preparation.h"
#include "platform/ini_file.h"

namespace korvel {

struct SettingsOptions {
    std::string settingsPath;  // --settings; empty: DefaultSettingsPath()
    std::string registryPath;  // --jwcad-registry; empty: Wine's user.reg; "none": no registry
    PenSource pens = PenSource::Window;
    // Overrides, written as the settings file would hold them (section, key, value).
    IniFile overrides;
    // The draw order given on the command line beats the one a drawing carries.
    int drawOrder = -1;
    // The options as given, for messages ("--jpeg-quality 90").
    std::vector<std::string> given;
};

// Takes the settings options out of `args` (up to a "--"), leaving the rest for the caller.
// Both "--name VALUE" and "--name=VALUE" work. False, with `error` saying which option and why,
// on an unusable value.
bool TakeSettingsOptions(std::vector<std::string>& args, SettingsOptions& options, std::string& error);

}  // namespace korvel
