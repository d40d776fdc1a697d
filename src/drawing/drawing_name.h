// Where text variables and picture references say the drawing lives: the folder Jw_win last
// used (from its registry settings) and the title of Jw_win's main window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing.h"

namespace korvel {

// Jw_cad's registry settings (current user, read only). Key paths use backslashes, e.g.
// "Software\\Jw_cad\\jw_win\\Folder", and are compared without regard to case.
class RegistrySource {
public:
    virtual ~RegistrySource() = default;
    virtual bool keyExists(const std::string& key) const = 0;
    // False when the key or value is missing or the value is of another type.
    virtual bool readString(const std::string& key, const std::string& value,
                            std::string& out) const = 0;
    virtual bool readDword(const std::string& key, const std::string& value,
                           uint32_t& out) const = 0;
};

// Titles of the top-level windows, front to back.
class WindowTitleSource {
public:
    virtual ~WindowTitleSource() = default;
    virtual std::vector<std::string> titles() const = 0;
};

// Sources for a machine without Jw_win: no key opens, no window is listed.
class EmptyRegistrySource : public RegistrySource {
public:
    bool keyExists(const std::string&) const override { return false; }
    bool readString(const std::string&, const std::string&, std::string&) const override { return false; }
    bool readDword(const std::string&, const std::string&, uint32_t&) const override { return false; }
};
class EmptyWindowTitleSource : public WindowTitleSource {
public:
    std::vector<std::string> titles() const override { return {}; }
};

// Reads the "Folder" key: "ZFILE" becomes `susieFolder`, "File" the drawing folder, and the
// drawing path is rebuilt from the folder and name. `programFolder` stands where Jw_cad would
// put the program's own folder (used for "no-name.jww").
void RefreshDrawingName(Drawing& drawing, const RegistrySource& registry,
                        const std::string& programFolder, std::string* susieFolder = nullptr);

// After the name changed: drops a ".jww", ".jwc" or ".dxf" ending from the name and makes the
// path the folder, a backslash, the name and ".jww" again. Nothing changes while the folder is unknown.
void RebuildDrawingPath(Drawing& drawing);

// Takes the drawing name from the last window titled "<name> - jw_win" (empty when none is).
void TakeDrawingNameFromJwWin(Drawing& drawing, const WindowTitleSource& windows);

}  // namespace korvel
