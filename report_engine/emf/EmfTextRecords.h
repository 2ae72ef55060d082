#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "report_engine/emf/EmfReader.h"
#include "report_engine/emf/EmfRecords.h"

// The text records of a page read straight from its bytes, without playing it: what a
// search over thousands of pages reads. The records and rules are the page player's
// (glyph-index records carry no text).
namespace Emf {

// One text record's characters where they lie in the page's bytes: `Count` characters,
// UTF-16 little-endian when `Wide`, else one Windows-1252 byte each.
struct RecordText {
    const uchar* Characters;
    quint32 Count;
    bool Wide;
};

// The text of an EMR_EXTTEXTOUTW/A or EMR_SMALLTEXTOUT record; false for any other
// record, a glyph-index or empty one, or one whose characters would reach past its end.
inline bool TextOfRecord(const Record& record, RecordText& out) {
    const quint32 type = record.Type();
    const auto* start = reinterpret_cast<const uchar*>(record.Data());
    if (type == EMR_EXTTEXTOUTW || type == EMR_EXTTEXTOUTA) {
        EMREXTTEXTOUTW header;
        if (!record.Read(header)) return false;
        const quint32 chars = header.emrtext.nChars, offString = header.emrtext.offString;
        const bool wide = type == EMR_EXTTEXTOUTW;
        if ((header.emrtext.fOptions & ETO_GLYPH_INDEX) || chars == 0 ||
            !record.Has(offString, quint64(chars) * (wide ? 2 : 1)))
            return false;
        out = RecordText{start + offString, chars, wide};
        return true;
    }
    if (type == EMR_SMALLTEXTOUT) {
        EMRSMALLTEXTOUT header;
        if (!record.Read(header)) return false;
        const quint32 chars = header.cChars, options = header.fuOptions;
        const quint64 offString =
            sizeof(EMRSMALLTEXTOUT) + ((options & ETO_NO_RECT) ? 0 : sizeof(RECTL));
        const bool wide = !(options & ETO_SMALL_CHARS);
        if ((options & ETO_GLYPH_INDEX) || chars == 0 ||
            !record.Has(offString, quint64(chars) * (wide ? 2 : 1)))
            return false;
        out = RecordText{start + offString, chars, wide};
        return true;
    }
    return false;
}

// Calls `visit` with every text record of the page, in order, until it returns false.
// The walk stops at EMR_EOF or at the first record whose size does not fit the page.
template <class Visit>
void ForEachText(const QByteArray& emf, Visit visit) {
    RecordWalk walk(emf);
    while (const std::optional<Record> record = walk.Next()) {
        if (record->Type() == EMR_EOF) return;
        RecordText text;
        if (TextOfRecord(*record, text) && !visit(text)) return;
    }
}

}  // namespace Emf
