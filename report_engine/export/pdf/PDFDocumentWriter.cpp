#include "report_engine/export/pdf/PDFDocumentWriter.h"

#include <QIODevice>

#include "core/Exception.h"
#include "report_engine/export/pdf/PDFCodePage.h"

namespace {
constexpr qsizetype FlushThreshold = 1 << 20;
}

PDFDocumentWriter::PDFDocumentWriter(QIODevice& device, const PDFCodePage& codePage,
                                     QString fileName)
    : FDevice(device), FCodePage(codePage), FFileName(std::move(fileName)) {
    FBuffer.reserve(FlushThreshold + (64 << 10));
}

void PDFDocumentWriter::Line(QStringView text) {
    if (text.isEmpty()) return;
    const qsizetype before = FBuffer.size();
    FCodePage.Encode(text, FBuffer);
    FBuffer.append("\r\n", 2);
    FOffset += FBuffer.size() - before;
    if (FBuffer.size() >= FlushThreshold) Flush();
}

void PDFDocumentWriter::RawLine(QByteArrayView bytes) {
    if (bytes.isEmpty()) return;
    Append(bytes);
    Append("\r\n");
}

void PDFDocumentWriter::BeginObject(int number) {
    Q_ASSERT(std::size_t(number) == FObjectOffsets.size() + 1);
    FObjectOffsets.push_back(FOffset);
    RawLine(QByteArray::number(number) + " 0 obj");
}

void PDFDocumentWriter::Append(QByteArrayView bytes) {
    FOffset += bytes.size();
    if (bytes.size() >= FlushThreshold) {
        // A large block (a page's content) goes straight through.
        Flush();
        if (FDevice.write(bytes.data(), bytes.size()) != bytes.size())
            throw Exception(CannotWriteDocumentMessage(FFileName, FDevice.errorString()));
        return;
    }
    FBuffer.append(bytes);
    if (FBuffer.size() >= FlushThreshold) Flush();
}

void PDFDocumentWriter::Flush() {
    if (FBuffer.isEmpty()) return;
    if (FDevice.write(FBuffer) != FBuffer.size())
        throw Exception(CannotWriteDocumentMessage(FFileName, FDevice.errorString()));
    FBuffer.clear();
}

QString CannotWriteDocumentMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason);
}
