#pragma once

// Page runs for the page store and page printer tests: a few pages drawn through a
// TVRPrinter the way a report run draws them.

#include <QByteArray>
#include <QFile>
#include <QString>

#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/store/PageFileLayout.h"
#include "tests/support/FileContents.h"

// Sets A4 (or another size) in the given orientation; landscape A4 is the street
// listing's paper.
inline void SetPaper(TVRPrinter& printer, TPrinterOrientation orientation,
                     TVRPaperSize size = TVRPaperSize::A4) {
    printer.PrinterSettings().PaperSize = size;
    printer.PrinterSettings().Orientation = orientation;
}

// Draws `pages` pages into the printer, each with its own text and a few shapes.
inline void RunPages(TVRPrinter& printer, int pages) {
    printer.BeginDoc();
    for (int page = 1; page <= pages; ++page) {
        printer.NewPage();
        TVRCanvas& canvas = *printer.Canvas();
        canvas.SetBrush(TVRBrush{clSkyBlue, bsSolid});
        canvas.FillRect(
            TRect{printer.XPos(100), printer.YPos(100), printer.XPos(2870), printer.YPos(200)});
        canvas.TextOut(printer.XPos(150), printer.YPos(120),
                       QStringLiteral("Logradouros %1").arg(page));
        canvas.MoveTo(printer.XPos(100), printer.YPos(300));
        canvas.LineTo(printer.XPos(2000 + page), printer.YPos(300));
    }
    printer.EndDoc();
}

// The parts of a native report file held in memory, read and changed by their names.
inline PageFile::Header HeaderOf(const QByteArray& file) {
    return PageFile::Read<PageFile::Header>(file, 0);
}

inline PageFile::RecordPrefix RecordPrefixAt(const QByteArray& file, qint64 recordStart) {
    return PageFile::Read<PageFile::RecordPrefix>(file, recordStart);
}

// Where page `page`'s record starts, following the links from the first record.
inline qint64 RecordStartOf(const QByteArray& file, int page) {
    qint64 start = PageFile::HeaderLength;
    for (int i = 1; i < page; ++i) start = RecordPrefixAt(file, start).NextRecord;
    return start;
}

// Applies `change` to the part of type Part at `offset` of `file`.
template <class Part, class Change>
void EditPart(QByteArray& file, qint64 offset, Change change) {
    Part part = PageFile::Read<Part>(file, offset);
    change(part);
    PageFile::Write(file, offset, part);
}
