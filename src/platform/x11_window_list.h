// The titles of the X server's top-level windows, where Jw_win under Wine shows the name of its
// open drawing ("<drawing> - jw_win").
#pragma once

#include <string>
#include <vector>

#include "drawing/drawing_name.h"

namespace korvel {

// Asks the X server named by $DISPLAY each time (the list is read once at start-up). Windows
// come front to back: the window manager's stacking list, or its client list when it keeps no
// stacking list, or the root window's children when no window manager runs. Titles are UTF-8
// (_NET_WM_NAME, else WM_NAME). No display, no titles.
class X11WindowTitleSource : public WindowTitleSource {
public:
    std::vector<std::string> titles() const override;
};

}  // namespace korvel
