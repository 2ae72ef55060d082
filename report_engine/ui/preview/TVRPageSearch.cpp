#include "report_engine/ui/preview/TVRPageSearch.h"

#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"

namespace PageSearch {

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
        for (const QString& record : metafile->Texts()) {
            if (Comparable(record, matchCase).contains(needle)) {
                pages.append(page);
                break;
            }
        }
    }
    return pages;
}

}  // namespace PageSearch
