#pragma once

#include <QByteArray>
#include <QPolygonF>
#include <QRectF>
#include <QStringList>
#include <QTransform>
#include <vector>

#include "report_engine/emf/EmfRecords.h"

class QPainter;

// The fields of EMR_HEADER that placing and checking a metafile needs.
struct EmfHeader {
    Emf::RectL Bounds;  // device pixels, inclusive
    Emf::RectL Frame;   // hundredths of a millimetre, inclusive
    quint32 HeaderSize = 0;
    quint32 Bytes = 0;  // nBytes: the whole metafile
    quint32 Records = 0;
    quint16 Handles = 0;
    int DevicePixelsX = 0;  // the reference device
    int DevicePixelsY = 0;
    double DevicePixelsPerMillimetreX = 96 / 25.4;
    double DevicePixelsPerMillimetreY = 96 / 25.4;

    // Reads and checks the header at `data`; false when it is not a sound EMR_HEADER.
    // Only the header itself needs to be available.
    static bool Read(const char* data, qint64 available, EmfHeader& header);

    // The picture frame in pixels at 96 dpi, rounded.
    int WidthAt96() const;
    int HeightAt96() const;
};

// Replays enhanced metafiles onto a QPainter. Every size, offset and count is checked
// against the record that holds it; playing stops at the first record that is not
// sound (the result says so) and never reads outside the buffer.
class EmfPlayer {
public:
    struct Result {
        bool Complete = false;  // every record up to EMR_EOF was sound
        int RecordsPlayed = 0;  // after the header, EMR_EOF included
        // The type of the record that stopped play short of EMR_EOF, because its fields
        // or its size were not sound; 0 when play reached EMR_EOF or the bytes ended.
        quint32 StoppedBy = 0;
    };

    // Where a text record lands when the page is played into a target: the text and its
    // character cells, so that a viewer can mark a part of it.
    struct TextRun {
        QString Text;
        QTransform TextToTarget;       // text space (x along the baseline, y down) to target
        std::vector<double> CharLeft;  // each character's left edge in text space
        double Right = 0;              // the right edge of the last character
        double Top = 0;                // the cell's top and height in text space
        double Height = 0;

        // The cells of characters [from, from + count) in target coordinates.
        QPolygonF Box(qsizetype from, qsizetype count) const;
    };

    static Result Play(const QByteArray& emf, QPainter& painter, const QRectF& target);
    // The text records (glyph-index records left out) as they would land in `target`,
    // in recording order, up to the first unsound record. Nothing is drawn.
    static std::vector<TextRun> TextRuns(const QByteArray& emf, const QRectF& target);
    // The strings of the text records (EMR_EXTTEXTOUTW/A, EMR_SMALLTEXTOUT), in order,
    // up to the first unsound record.
    static QStringList Texts(const QByteArray& emf);
};
