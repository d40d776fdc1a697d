// The eight record kinds as types: their class names, their layouts by kind, their lists in a
// record set, and visiting a record by its reference. Shared by the stream reader, the
// recovery reader and the writer, so that no step is written once per kind.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "drawing/drawing.h"
#include "drawing/jww_layout.h"

namespace korvel {

struct ClassName {
    RecordClass cls;
    const char* written;
    const char* prefix;  // how the reader recognises it (the name contains it)
};

inline constexpr ClassName kClassNames[kRecordClassCount] = {
    {RecordClass::Sen, "CDataSen", "CDataSen"},      {RecordClass::Enko, "CDataEnko", "CDataEnk"},
    {RecordClass::Ten, "CDataTen", "CDataTen"},      {RecordClass::Moji, "CDataMoji", "CDataMoj"},
    {RecordClass::Sunpou, "CDataSunpou", "CDataSun"}, {RecordClass::Solid, "CDataSolid", "CDataSol"},
    {RecordClass::Block, "CDataBlock", "CDataBlo"},  {RecordClass::List, "CDataList", "CDataLis"},
};

inline bool RecogniseClass(const std::string& name, RecordClass& cls) {
    for (const ClassName& c : kClassNames) {
        if (name.find(c.prefix) != std::string::npos) {
            cls = c.cls;
            return true;
        }
    }
    return false;
}

template <class Ar> void archiveAny(Ar& ar, TDataSen& r, uint32_t v) { archiveSen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataEnko& r, uint32_t v) { archiveEnko(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataTen& r, uint32_t v) { archiveTen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataMoji& r, uint32_t v) { archiveMoji(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataSunpou& r, uint32_t v) { archiveSunpou(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataSolid& r, uint32_t v) { archiveSolid(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataBlock& r, uint32_t v) { archiveBlock(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, TDataList& r, uint32_t v) { archiveList(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataSen& r, uint32_t v) { archiveSen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataEnko& r, uint32_t v) { archiveEnko(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataTen& r, uint32_t v) { archiveTen(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataMoji& r, uint32_t v) { archiveMoji(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataSunpou& r, uint32_t v) { archiveSunpou(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataSolid& r, uint32_t v) { archiveSolid(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataBlock& r, uint32_t v) { archiveBlock(ar, r, v); }
template <class Ar> void archiveAny(Ar& ar, const TDataList& r, uint32_t v) { archiveList(ar, r, v); }

template <class T> std::vector<T>& listOf(RecordSet& s);
template <> inline std::vector<TDataSen>& listOf(RecordSet& s) { return s.lines; }
template <> inline std::vector<TDataEnko>& listOf(RecordSet& s) { return s.circles; }
template <> inline std::vector<TDataTen>& listOf(RecordSet& s) { return s.points; }
template <> inline std::vector<TDataMoji>& listOf(RecordSet& s) { return s.texts; }
template <> inline std::vector<TDataSunpou>& listOf(RecordSet& s) { return s.dimensions; }
template <> inline std::vector<TDataSolid>& listOf(RecordSet& s) { return s.solids; }
template <> inline std::vector<TDataBlock>& listOf(RecordSet& s) { return s.inserts; }
template <> inline std::vector<TDataList>& listOf(RecordSet& s) { return s.definitions; }

// Calls f with the record of `ref` in `s`, typed.
template <class F>
void withRecord(const RecordSet& s, const RecordRef& ref, F&& f) {
    switch (ref.cls) {
        case RecordClass::Sen: f(s.lines[ref.index]); break;
        case RecordClass::Enko: f(s.circles[ref.index]); break;
        case RecordClass::Ten: f(s.points[ref.index]); break;
        case RecordClass::Moji: f(s.texts[ref.index]); break;
        case RecordClass::Sunpou: f(s.dimensions[ref.index]); break;
        case RecordClass::Solid: f(s.solids[ref.index]); break;
        case RecordClass::Block: f(s.inserts[ref.index]); break;
        case RecordClass::List: f(s.definitions[ref.index]); break;
    }
}

// Calls f with a default record of kind `cls`, typed: how a reader turns a class into a type.
template <class F>
void withKind(RecordClass cls, F&& f) {
    switch (cls) {
        case RecordClass::Sen: f(TDataSen{}); break;
        case RecordClass::Enko: f(TDataEnko{}); break;
        case RecordClass::Ten: f(TDataTen{}); break;
        case RecordClass::Moji: f(TDataMoji{}); break;
        case RecordClass::Sunpou: f(TDataSunpou{}); break;
        case RecordClass::Solid: f(TDataSolid{}); break;
        case RecordClass::Block: f(TDataBlock{}); break;
        case RecordClass::List: f(TDataList{}); break;
    }
}

template <class T> constexpr RecordClass classOf();
template <> constexpr RecordClass classOf<TDataSen>() { return RecordClass::Sen; }
template <> constexpr RecordClass classOf<TDataEnko>() { return RecordClass::Enko; }
template <> constexpr RecordClass classOf<TDataTen>() { return RecordClass::Ten; }
template <> constexpr RecordClass classOf<TDataMoji>() { return RecordClass::Moji; }
template <> constexpr RecordClass classOf<TDataSunpou>() { return RecordClass::Sunpou; }
template <> constexpr RecordClass classOf<TDataSolid>() { return RecordClass::Solid; }
template <> constexpr RecordClass classOf<TDataBlock>() { return RecordClass::Block; }
template <> constexpr RecordClass classOf<TDataList>() { return RecordClass::List; }

}  // namespace korvel
