#pragma once

// Page runs for the page store and page printer tests: a few pages drawn through a
// TVRPrinter the way a report run draws them.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
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

inline qint32 Int32At(const QByteArray& bytes, qint64 offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

inline void SetInt32At(QByteArray& bytes, qint64 offset, qint32 value) {
    qToLittleEndian(value, bytes.data() + offset);
}
