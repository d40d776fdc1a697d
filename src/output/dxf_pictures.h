// Picture references of a DXF export: each picture a drawing refers to becomes an IMAGEDEF
// that names its file, each reference an IMAGE of it. Pictures embedded in a Jw_cad 8 drawing
// have no file of their own, so they are handed back to be written beside the DXF.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "drawing/drawing.h"
#include "output/dxf_strings.h"
#include "output/dxf_writer.h"

namespace korvel {

struct DxfCompanionFile {
    std::string name;  // a file name, written in the folder of the DXF
    std::vector<uint8_t> bytes;
};

struct DxfPictureDef {
    std::string path;        // encoded, as the IMAGEDEF names it
    int width = 1, height = 1;  // pixels; 1 x 1 when the picture could not be read
    bool loaded = false;
    DxfHandle handle = 0;
    std::vector<DxfHandle> reactors;
};

class DxfPictures {
public:
    // `companionStem` starts the names of the files written beside the DXF ("plan" gives
    // "plan-logo.bmp"); empty when nothing can be written beside it.
    DxfPictures(const Drawing& drawing, const DxfStrings& strings, bool builtInDecodersOnly,
                std::string companionStem);

    // The definition of a reference's picture, added on first use (during planning).
    int use(const std::string& cp932Reference);
    // After planning: handles for the dictionary and every definition.
    void finish(DxfHandles& handles);

    DxfPictureDef& def(int index) { return defs_[index]; }
    bool empty() const { return defs_.empty(); }
    DxfHandle dictionary() const { return dictionary_; }
    DxfHandle variables() const { return variables_; }

    // The definitions, their reactors (one per image) and the raster variables.
    void writeObjects(DxfWriter& w, DxfHandle rootDictionary,
                      const std::vector<std::pair<DxfHandle, DxfHandle>>& reactors) const;

    std::vector<DxfCompanionFile> takeCompanions() { return std::move(companions_); }
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    const Drawing& drawing_;
    const DxfStrings& strings_;
    bool builtInOnly_;
    std::string stem_;
    std::map<std::string, int> byPath_;
    std::vector<DxfPictureDef> defs_;
    std::vector<DxfCompanionFile> companions_;
    std::vector<std::string> warnings_;
    DxfHandle dictionary_ = 0, variables_ = 0;
};

}  // namespace korvel
