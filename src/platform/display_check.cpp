// Display detection before Qt is started.
#include "platform/display_check.h"

#include <sys/stat.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace korvel {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool xServerAnswers(const std::string& display) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const bool ok = c && xcb_connection_has_error(c) == 0;
    // An X server resets when its last client leaves, and refuses connections while it does:
    // under xvfb-run the probe is often the first client, and Qt's own connection a moment later
    // would fail. So the probe stays connected for the life of the process.
    if (ok) {
        static xcb_connection_t* kept = nullptr;
        if (kept) xcb_disconnect(kept);
        kept = c;
    } else if (c) {
        xcb_disconnect(c);
    }
    return ok;
}

bool waylandSocketExists(const std::string& display) {
    std::string path = display;
    if (path.empty() || path[0] != '/') {
        const std::string runtime = env("XDG_RUNTIME_DIR");
        if (runtime.empty()) return false;
        path = runtime + "/" + display;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

}  // namespace

bool DisplayAvailable(std::string& why) {
    const std::string platform = env("QT_QPA_PLATFORM");
    // Platforms that need no display of the desktop's (offscreen, minimal, vnc, eglfs...) are
    // Qt's to judge; only the desktop ones are checked here.
    const bool desktop = platform.empty() || platform.rfind("xcb", 0) == 0 || platform.rfind("wayland", 0) == 0;
    if (!desktop) return true;
    const std::string x = env("DISPLAY"), wayland = env("WAYLAND_DISPLAY");
    const bool wantsX = platform.empty() || platform.rfind("xcb", 0) == 0;
    const bool wantsWayland = platform.empty() || platform.rfind("wayland", 0) == 0;
    if (wantsWayland && !wayland.empty() && waylandSocketExists(wayland)) return true;
    if (wantsX && !x.empty() && xServerAnswers(x)) return true;
    if (wantsX && !x.empty()) why = "the X server at DISPLAY=" + x + " does not answer";
    else if (wantsWayland && !wayland.empty()) why = "no Wayland compositor at WAYLAND_DISPLAY=" + wayland;
    else if (!wantsWayland) why = "DISPLAY is not set";
    else why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    return false;
}

}  // namespace korvel
