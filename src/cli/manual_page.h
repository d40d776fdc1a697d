// The manual page (roff), built from the commands and the option table so that it says what
// the program accepts; docs/korvel.1 is its output (korvel help --manual-page).
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"

namespace korvel::cli {

std::string ManualPage(const std::vector<Command>& commands, const char* version);

}  // namespace korvel::cli
