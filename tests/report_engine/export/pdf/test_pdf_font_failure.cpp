// A font the platform has only as a bitmap font: this program points fontconfig at a
// folder holding nothing but one BDF font, before anything asks for a font, so that
// every face name resolves to it.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/Exception.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "tests/report_engine/export/pdf/PdfReaders.h"

namespace {

const char BitmapFont[] = R"(STARTFONT 2.1
FONT -Vialar-VialarBitmap-Medium-R-Normal--8-80-75-75-C-80-ISO10646-1
SIZE 8 75 75
FONTBOUNDINGBOX 8 8 0 0
STARTPROPERTIES 3
FAMILY_NAME "Vialar Bitmap"
FONT_ASCENT 8
FONT_DESCENT 0
ENDPROPERTIES
CHARS 1
STARTCHAR A
ENCODING 65
SWIDTH 1000 0
DWIDTH 8 0
BBX 8 8 0 0
BITMAP
FF
81
81
81
81
81
81
FF
ENDCHAR
ENDFONT
)";

QTemporaryDir& FontFolder() {
    static QTemporaryDir folder;
    return folder;
}

// Runs before main: fontconfig reads its configuration once, at its first use.
const bool BitmapFontsOnly = [] {
    const QString folder = FontFolder().path();
    QFile font(folder + QStringLiteral("/vialar-bitmap.bdf"));
    font.open(QIODevice::WriteOnly);
    font.write(BitmapFont);
    QFile config(folder + QStringLiteral("/fonts.conf"));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("<?xml version=\"1.0\"?>\n<fontconfig>\n<dir>%1</dir>\n"
                                "<cachedir>%1/cache</cachedir>\n</fontconfig>\n")
                     .arg(folder)
                     .toUtf8());
    config.close();
    qputenv("FONTCONFIG_FILE", config.fileName().toLocal8Bit());
    return true;
}();

}  // namespace

TEST(PdfFontFailure, AFontWithoutOutlineDataStopsTheExportAndKeepsTheOldFile) {
    ASSERT_TRUE(BitmapFontsOnly);
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("listagem.pdf"));
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the council's last listing");
    old.close();
    const QString absent = folder.filePath(QStringLiteral("nova.pdf"));

    for (const QString& target : {existing, absent}) {
        TVRPDFDocumentFilter filter(target);
        TVRFont font;
        font.Name = QStringLiteral("Vialar Bitmap");
        filter.Start(2970, 2100, font);
        filter.NewPage();
        filter.TextOut(100, 100, font, clWhite, taLeftJustify, QStringLiteral("A"));
        try {
            filter.Finish();
            ADD_FAILURE() << "the export succeeded";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), "GetFontData error");
        }
    }
    EXPECT_EQ(ReadWholeFile(existing), "the council's last listing");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"listagem.pdf"});
}
