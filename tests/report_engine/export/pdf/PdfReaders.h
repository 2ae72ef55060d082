#pragma once

// The PDF readers the export's tests check files with: qpdf for the file's structure,
// poppler's pdftotext, pdffonts and pdftoppm for what a reader shows.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct ToolResult {
    int ExitCode = -1;
    QString Output;  // standard output and error
};

inline ToolResult RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolResult result;
    if (!process.waitForFinished(120000)) {
        result.Output = program + QStringLiteral(" did not run: ") + process.errorString();
        return result;
    }
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.Output = QString::fromUtf8(process.readAll());
    return result;
}

// qpdf finds no fault in the file's structure, cross-reference table or streams.
inline ::testing::AssertionResult PassesQpdfCheck(const QString& fileName) {
    const ToolResult check = RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), fileName});
    if (check.ExitCode == 0 && !check.Output.contains(QStringLiteral("WARNING")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "qpdf --check " << fileName.toStdString() << ":\n"
                                         << check.Output.toStdString();
}

// The text poppler reads from the file, laid out as on the page.
inline QString PdfText(const QString& fileName,
                       const QStringList& options = {QStringLiteral("-layout")}) {
    return RunTool(QStringLiteral("pdftotext"), QStringList(options)
                                                    << fileName << QStringLiteral("-"))
        .Output;
}

// Page `page` rendered by poppler at `dpi`, without smoothing.
inline QImage RenderPdfPage(const QString& fileName, int page, int dpi) {
    QTemporaryDir dir;
    const QString stem = dir.filePath(QStringLiteral("page"));
    RunTool(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
         QString::number(page), QStringLiteral("-l"), QString::number(page),
         QStringLiteral("-singlefile"), QStringLiteral("-aa"), QStringLiteral("no"),
         QStringLiteral("-aaVector"), QStringLiteral("no"), fileName, stem});
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

// The file's lines (CR LF separated).
inline QList<QByteArray> PdfLines(const QByteArray& document) {
    QList<QByteArray> lines = document.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

inline QByteArray ReadWholeFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every font dictionary of the document has exactly the lines the font writer gives
// it: the keys in their order, the widths line of 256 numbers each followed by a space
// and then " ]", and the encoding text after "/Encoding " with its own leading space.
inline ::testing::AssertionResult FontDictionariesFollowTheLayout(const QByteArray& document) {
    static const QRegularExpression dictionary(QStringLiteral(
        "\\r\\n(\\d+) 0 obj\\r\\n<<\\r\\n/Type /Font\\r\\n/Subtype /TrueType\\r\\n"
        "/Name /F\\d\\d+\\r\\n/BaseFont /[!-~]+\\r\\n/FirstChar 0\\r\\n/LastChar 255\\r\\n"
        "/Widths \\[ \\r\\n(?:-?\\d+ ){256} \\]\\r\\n"
        "/Encoding  <</Type/Encoding /Differences \\[ 2 (?:/[A-Za-z0-9_.]+){254}\\]>>\\r\\n"
        "/FontDescriptor (\\d+) 0 R\\r\\n>>\\r\\nendobj\\r\\n"));
    const QString text = QString::fromLatin1(document);
    const qsizetype fonts = text.count(QStringLiteral("\r\n/Type /Font\r\n"));
    qsizetype matching = 0;
    for (auto match = dictionary.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch font = match.next();
        if (font.captured(2).toInt() == font.captured(1).toInt() + 1) ++matching;
    }
    if (fonts > 0 && matching == fonts) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << matching << " of " << fonts << " font dictionaries follow the layout";
}
