#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <vector>

class QIODevice;
class PDFCodePage;

// Writes a PDF document line by line onto a device: every line is converted to the
// document's code page and followed by CR LF, an empty line is left out, and the offset
// of each object is taken as it starts, so the cross-reference table names the bytes
// exactly as they were written (also where a code page takes more than one byte for a
// character). Output is buffered; a device that refuses bytes raises Exception with
// `failure` and the device's reason.
class PDFDocumentWriter {
public:
    PDFDocumentWriter(QIODevice& device, const PDFCodePage& codePage, QString fileName);

    // A line of text in the document's code page.
    void Line(QStringView text);
    // A line already in bytes: ASCII keywords and numbers, or content the caller
    // converted (a page's content lines).
    void RawLine(QByteArrayView bytes);
    // Starts object `number` ("N 0 obj"); objects come in number order from 1.
    void BeginObject(int number);
    // Offset of the next byte.
    qint64 Offset() const { return FOffset; }
    // The offsets of objects 1, 2, ... in order.
    const std::vector<qint64>& ObjectOffsets() const { return FObjectOffsets; }
    // Writes what is buffered; throws Exception when the device refuses it.
    void Flush();

    const PDFCodePage& CodePage() const { return FCodePage; }

private:
    void Append(QByteArrayView bytes);

    QIODevice& FDevice;
    const PDFCodePage& FCodePage;
    QString FFileName;
    QByteArray FBuffer;
    qint64 FOffset = 0;
    std::vector<qint64> FObjectOffsets;
};

// The message for a document that cannot be created or written.
QString CannotWriteDocumentMessage(const QString& fileName, const QString& reason);
