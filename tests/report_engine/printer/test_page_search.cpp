// The text search over stored pages: the text records read in place, compared as the
// pages' single-byte fonts print them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <random>

#include "core/Win1252.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/EmfWriter.h"
#include "report_engine/printer/TVRPageSearch.h"

namespace {

// Text records in the three forms pages carry: UTF-16, 8-bit, and the small record
// with 8-bit characters.
QByteArray TextRecords(const QStringList& texts) {
    Emf::Writer wide;
    QByteArray page;
    for (const QString& text : texts) {
        const QList<qint32> dx(text.size(), 7);
        wide.EmrExtTextOutW(Emf::RectL{0, 0, 10, 10}, 0, 0,
                            reinterpret_cast<const char16_t*>(text.constData()),
                            quint32(text.size()), dx.constData());
        page += wide.Take();
        const QByteArray bytes = EncodeWin1252(text);
        const quint32 padded = (quint32(bytes.size()) + 3) & ~3u;

        Emf::EMREXTTEXTOUTW ansi{};
        ansi.emr.iType = Emf::EMR_EXTTEXTOUTA;
        ansi.emr.nSize = quint32(sizeof ansi) + padded;
        ansi.emrtext.nChars = quint32(bytes.size());
        ansi.emrtext.offString = quint32(sizeof ansi);
        page += QByteArray(reinterpret_cast<const char*>(&ansi), sizeof ansi) +
                bytes.leftJustified(padded, '\0');

        Emf::EMRSMALLTEXTOUT small{};
        small.emr.iType = Emf::EMR_SMALLTEXTOUT;
        small.emr.nSize = quint32(sizeof small) + padded;
        small.cChars = quint32(bytes.size());
        small.fuOptions = Emf::ETO_NO_RECT | Emf::ETO_SMALL_CHARS;
        page += QByteArray(reinterpret_cast<const char*>(&small), sizeof small) +
                bytes.leftJustified(padded, '\0');
    }
    return page;
}

// The search reads characters in place; it must agree with taking each record's text,
// its characters' low bytes and, without "Match case", upper-casing both texts, also
// for the characters whose upper case leaves the byte range (ÿ, µ) or doubles (ß).
TEST(PageSearchInPlace, AgreesWithUpperCasingTheRecordTexts) {
    const QString alphabet = QStringLiteral("aAsSßÿŸµéÉx€ ");
    std::mt19937 random(7);
    auto word = [&](int longest) {
        QString text;
        const int length = int(random() % longest) + 1;
        for (int i = 0; i < length; ++i) text += alphabet[int(random() % alphabet.size())];
        return text;
    };
    int found = 0;
    for (int round = 0; round < 3000; ++round) {
        QStringList texts;
        for (int i = int(random() % 3); i >= 0; --i) texts << word(6);
        const QByteArray page = TextRecords(texts);
        ASSERT_EQ(PageSearch::PageTexts(page).size(), 3 * texts.size());
        const QString searched = word(3);
        for (const bool matchCase : {false, true}) {
            const QString needle = PageSearch::Comparable(searched, matchCase);
            bool expected = false;
            for (const QString& text : PageSearch::PageTexts(page))
                expected = expected || PageSearch::Comparable(text, matchCase).contains(needle);
            ASSERT_EQ(PageSearch::PageHolds(page, needle, matchCase), expected)
                << texts.join(QLatin1Char('|')).toStdString() << " / " << searched.toStdString()
                << " / " << matchCase;
            found += expected;
        }
    }
    EXPECT_GT(found, 500);  // the cases are not all misses
}

}  // namespace
