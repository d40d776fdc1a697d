// Metafiles built by the tests with our own EMF writer, as another program would offer them.
#pragma once

#include <QByteArray>
#include <string>
#include <vector>

#include "output/emf_target.h"

namespace korvel::test {

// A w × h metafile, white with its right half black.
inline QByteArray HalfBlackMetafile(int w, int h) {
    EmfTarget emf(FittedMetafileFrame(w, h), "test");
    emf.fillRect({w / 2, 0, w, h}, BrushSpec{});
    std::vector<uint8_t> bytes;
    std::string error;
    emf.finish(bytes, error);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

}  // namespace korvel::test
