#include "drawing/drawing_header.h"

namespace korvel {

const char* const kPaperSizeNames[12] = {"Ａ-０", "Ａ-１", "Ａ-２", "Ａ-３", "Ａ-４", "２Ａ",
                                         "３Ａ", "４Ａ",  "５Ａ",  "10m",  "50m",  "100m"};

}  // namespace korvel
