// Small helpers the subcommands share on top of the option table.
#pragma once

#include <string>

#include "drawing/loaders.h"

namespace korvel::cli {

// The data kind of an "--as" number (jww 0, jws 1, jwz 2).
DataKind DataKindOf(long number);

}  // namespace korvel::cli
