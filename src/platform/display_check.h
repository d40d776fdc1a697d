// Whether the window can open here: Qt ends the process when it finds no display, so the window
// program asks first and can say so plainly.
#pragma once

#include <string>

namespace korvel {

// True when a display is there for Qt: an X server that answers at $DISPLAY, a Wayland socket at
// $WAYLAND_DISPLAY, or a platform chosen in $QT_QPA_PLATFORM that needs none (offscreen, vnc...).
// False with `why` ("DISPLAY is not set", "the X server at :5 does not answer") otherwise.
bool DisplayAvailable(std::string& why);

}  // namespace korvel
