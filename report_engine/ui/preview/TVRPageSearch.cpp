#include "report_engine/ui/preview/TVRPageSearch.h"

#include <QtEndian>

#include "data/Win1252.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"

namespace PageSearch {

QStringList PageTexts(const QByteArray& emf) {
    QStringList texts;
    const char* data = emf.constData();
    const qint64 end = emf.size();
    auto u32 = [data](qint64 at) { return qFromLittleEndian<quint32>(data + at); };
    qint64 at = 0;
    while (at + 8 <= end) {
        const quint32 type = u32(at);
        const quint32 size = u32(at + 4);
        if (size < 8 || size % 4 != 0 || at + size > end) break;
        if (type == Emf::EMR_EOF) break;
        if ((type == Emf::EMR_EXTTEXTOUTW || type == Emf::EMR_EXTTEXTOUTA) && size >= 76) {
            const quint32 chars = u32(at + 44);
            const quint32 offString = u32(at + 48);
            const quint32 options = u32(at + 52);
            const bool wide = type == Emf::EMR_EXTTEXTOUTW;
            const quint64 bytes = quint64(chars) * (wide ? 2 : 1);
            if (!(options & Emf::ETO_GLYPH_INDEX) && chars > 0 && offString <= size &&
                bytes <= size - offString) {
                const char* string = data + at + offString;
                if (wide) {
                    QString text(chars, Qt::Uninitialized);
                    for (quint32 i = 0; i < chars; ++i)
                        text[i] = QChar(char16_t(qFromLittleEndian<quint16>(string + 2 * i)));
                    texts.append(text);
                } else {
                    texts.append(DecodeWin1252(string, int(chars)));
                }
            }
        }
        if (type == Emf::EMR_SMALLTEXTOUT && size >= 36) {
            const quint32 chars = u32(at + 16);
            const quint32 options = u32(at + 20);
            const quint64 start = (options & Emf::ETO_NO_RECT) ? 36 : 52;
            const bool small = options & Emf::ETO_SMALL_CHARS;
            const quint64 bytes = quint64(chars) * (small ? 1 : 2);
            if (!(options & Emf::ETO_GLYPH_INDEX) && chars > 0 && start <= size &&
                bytes <= size - start) {
                const char* string = data + at + start;
                if (small) {
                    texts.append(DecodeWin1252(string, int(chars)));
                } else {
                    QString text(chars, Qt::Uninitialized);
                    for (quint32 i = 0; i < chars; ++i)
                        text[i] = QChar(char16_t(qFromLittleEndian<quint16>(string + 2 * i)));
                    texts.append(text);
                }
            }
        }
        at += size;
    }
    return texts;
}

QString Comparable(const QString& text, bool matchCase) {
    QString result(text.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (const QChar character : text) *out++ = QChar(character.unicode() & 0xFF);
    return matchCase ? result : result.toUpper();
}

QList<qsizetype> Matches(const QString& text, const QString& needle, bool matchCase) {
    QList<qsizetype> starts;
    if (needle.isEmpty()) return starts;
    const QString haystack = Comparable(text, matchCase);
    // Upper-casing keeps one character per character for this single-byte range except
    // for the German sharp s; positions past a change of length would no longer fit
    // the record's characters, so such a text is matched without positions.
    if (haystack.size() != text.size()) return starts;
    for (qsizetype at = haystack.indexOf(needle); at >= 0;
         at = haystack.indexOf(needle, at + needle.size()))
        starts.append(at);
    return starts;
}

QList<int> FindPages(const TVRPrinter& printer, const QString& text, bool matchCase,
                     const std::function<bool()>& keepGoing) {
    QList<int> pages;
    const QString needle = Comparable(text, matchCase);
    if (needle.isEmpty()) return pages;
    const int count = printer.PageCount();
    for (int page = 1; page <= count; ++page) {
        if (keepGoing && !keepGoing()) break;
        const std::unique_ptr<TVRMetafile> metafile = printer.GetPage(page);
        if (!metafile) continue;
        for (const QString& record : PageTexts(metafile->Bytes())) {
            if (Comparable(record, matchCase).contains(needle)) {
                pages.append(page);
                break;
            }
        }
    }
    return pages;
}

}  // namespace PageSearch
