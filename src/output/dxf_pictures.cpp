#include "output/dxf_pictures.h"

#include "drawing/cp932.h"
#include "render/picture_bytes.h"
#include "render/picture_cache.h"
#include "render/picture_reference.h"

namespace korvel {

DxfPictures::DxfPictures(const Drawing& drawing, const DxfStrings& strings, bool builtInOnly,
                         std::string companionStem)
    : drawing_(drawing), strings_(strings), builtInOnly_(builtInOnly), stem_(std::move(companionStem)) {}

int DxfPictures::use(const std::string& reference) {
    const ImageReference ref = ParseImageReference(reference);
    const auto found = byPath_.find(ref.path);
    if (found != byPath_.end()) return found->second;

    DxfPictureDef def;
    const PictureLocation where = LocatePicture(drawing_, ref.path);
    const std::string shown = Cp932ToUtf8(ref.path);
    if (where.kind == PictureLocation::Kind::File) {
        def.path = strings_.valueFromUtf8(where.filePath);
    } else if (where.kind == PictureLocation::Kind::Embedded && !stem_.empty()) {
        // The picture travels beside the DXF, under a name that says whose it is.
        std::string why;
        DxfCompanionFile file;
        file.name = stem_ + "-" + Cp932ToUtf8(EmbeddedPictureFileName(*where.embedded));
        for (char& c : file.name)
            if (c == '/' || c == '\\') c = '_';
        if (EmbeddedPictureBytes(*where.embedded, file.bytes, why)) {
            def.path = strings_.valueFromUtf8(file.name);
            companions_.push_back(std::move(file));
        } else {
            def.path = strings_.value(ref.path);
            warnings_.push_back("picture " + shown + " could not be unpacked (" + why +
                                "); the DXF names it without a file");
        }
    } else {
        def.path = strings_.value(ref.path);
        warnings_.push_back(where.kind == PictureLocation::Kind::Embedded
                                ? "picture " + shown + " is embedded in the drawing and cannot be written beside "
                                  "the DXF here; the DXF names it without a file"
                                : "picture " + shown + " was not found; the DXF names it without its size in pixels");
    }
    if (where.kind != PictureLocation::Kind::None) {
        const auto picture = LoadPicture(where, builtInOnly_);
        if (!picture->image.empty()) {
            def.width = picture->image.width;
            def.height = picture->image.height;
            def.loaded = true;
        } else if (!picture->warning.empty()) {
            warnings_.push_back(picture->warning);
        }
    }
    const int index = static_cast<int>(defs_.size());
    defs_.push_back(std::move(def));
    byPath_.emplace(ref.path, index);
    return index;
}

void DxfPictures::finish(DxfHandles& handles) {
    if (defs_.empty()) return;
    dictionary_ = handles.take();
    variables_ = handles.take();
    for (DxfPictureDef& d : defs_) d.handle = handles.take();
}

void DxfPictures::writeObjects(DxfWriter& w, DxfHandle root,
                               const std::vector<std::pair<DxfHandle, DxfHandle>>& reactors) const {
    if (defs_.empty()) return;
    w.object("DICTIONARY", dictionary_, root);
    w.text(100, "AcDbDictionary");
    w.integer(281, 1);
    for (size_t i = 0; i < defs_.size(); ++i) {
        w.text(3, "JW_PICTURE_" + std::to_string(i + 1));
        w.handle(350, defs_[i].handle);
    }
    for (const DxfPictureDef& d : defs_) {
        w.text(0, "IMAGEDEF");
        w.handle(5, d.handle);
        if (!d.reactors.empty()) {
            w.text(102, "{ACAD_REACTORS");
            for (DxfHandle r : d.reactors) w.handle(330, r);
            w.text(102, "}");
        }
        w.handle(330, dictionary_);
        w.text(100, "AcDbRasterImageDef");
        w.integer(90, 0);
        w.text(1, d.path);
        w.real(10, d.width);
        w.real(20, d.height);
        w.real(11, 1.0);
        w.real(21, 1.0);
        w.integer(280, d.loaded ? 1 : 0);
        w.integer(281, 0);
    }
    for (const auto& [reactor, image] : reactors) {
        w.object("IMAGEDEF_REACTOR", reactor, image);
        w.text(100, "AcDbRasterImageDefReactor");
        w.integer(90, 2);
        w.handle(330, image);
    }
    w.object("RASTERVARIABLES", variables_, root);
    w.text(100, "AcDbRasterVariables");
    w.integer(90, 0);
    w.integer(70, 0);
    w.integer(71, 1);
    w.integer(72, 1);  // millimetres
}

}  // namespace korvel
