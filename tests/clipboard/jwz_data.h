// Jw_win clipboard data made from the sample drawings, as Jw_win would place it.
#pragma once

#include <QByteArray>
#include <string>

#include "drawing/loaders.h"
#include "test_support.h"

namespace korvel::test {

struct JwzData {
    QByteArray bytes;
    uint32_t records = 0;  // as the data announces them
    size_t lines = 0;
};

inline JwzData jwzOfSample(const std::string& name) {
    Drawing d;
    JwzData data;
    if (!LoadFile(d, samplesDir() + "/" + name).ok) return data;
    SaveResult saved;
    const std::vector<uint8_t> bytes = SaveJwWinBytes(d, saved);
    data.bytes = QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    Drawing back;
    LoadJwz(back, bytes.data(), bytes.size());
    data.records = back.ExpectedCount;
    data.lines = back.top.lines.size();
    return data;
}

// Width and height of an enhanced metafile's bounds (inclusive device pixels), -1 when the bytes
// are not one.
inline std::pair<int, int> emfBoundsSize(const QByteArray& emf) {
    if (emf.size() < 88 || emf.mid(40, 4) != QByteArray(" EMF")) return {-1, -1};
    auto i32 = [&](int at) {
        return static_cast<int32_t>(static_cast<uint8_t>(emf[at]) | static_cast<uint8_t>(emf[at + 1]) << 8 |
                                    static_cast<uint8_t>(emf[at + 2]) << 16 |
                                    static_cast<uint32_t>(static_cast<uint8_t>(emf[at + 3])) << 24);
    };
    return {i32(16) - i32(8) + 1, i32(20) - i32(12) + 1};
}

}  // namespace korvel::test
