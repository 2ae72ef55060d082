#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TVRPrinter;

// The text search over a page printer's pages (the preview's Search). A page matches
// when one of its text records contains the searched text. Both texts are taken one
// byte per character (the low byte of each), as the pages' single-byte fonts print
// them, and compared exactly with `matchCase`, else after upper-casing both.
namespace PageSearch {

// The texts of a page's text records, read straight from the records without playing
// the page (Emf::ForEachText), so that searching thousands of pages costs little more
// than reading them.
QStringList PageTexts(const QByteArray& emf);

// The record text or search text in the form the comparison uses.
QString Comparable(const QString& text, bool matchCase);

// Where `needle` (already Comparable) starts in `text` (taken as is): every start, left
// to right, not overlapping.
QList<qsizetype> Matches(const QString& text, const QString& needle, bool matchCase);

// Whether one of the page's text records contains `needle` (already Comparable). The
// records' characters are compared where they lie, without copying the texts.
bool PageHolds(const QByteArray& emf, const QString& needle, bool matchCase);

// The pages, 1 to the printer's page count, that contain `text`; `keepGoing` is asked
// before each page and the search stops when it says no.
QList<int> FindPages(const TVRPrinter& printer, const QString& text, bool matchCase,
                     const std::function<bool()>& keepGoing = {});

}  // namespace PageSearch
