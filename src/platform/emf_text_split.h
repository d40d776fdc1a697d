// Text records that carry an advance for every character, split into one record per character
// placed where the advances put it: readers that lay a record's string out with the font's own
// widths (libemf2svg) then draw every glyph in its cell, as GDI does.
#pragma once

#include <QByteArray>

namespace korvel {

// `emf` is a metafile's records up to its end-of-file record (see EmfRecordsLength). Returns the
// records with every splittable text record split and the header's byte and record counts
// brought up to date; a record that is malformed, or whose layout depends on what is not
// followed here (right-to-left or centred alignment, vertical fonts, advances with a y part),
// passes through untouched.
QByteArray SplitTextAdvances(const QByteArray& emf);

}  // namespace korvel
