#pragma once

// The street listing on a throw-away database of seven known streets. The preview is
// replaced by a reader of the page store: each time a report would be shown, the
// texts of its pages and a picture of each page are kept, so tests check what the
// pages hold. Message boxes are answered with OK and logged.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>
#include <optional>
#include <vector>

#include "app/udmPrincipal.h"
#include "core/Messages.h"
#include "data/TCachedDataSet.h"
#include "data/TSQLConnection.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "reports/ListingFilter.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/support/TestDatabase.h"

struct ListingPage {
    QStringList Texts;
    QImage Picture;  // the page replayed at 96 dpi (1123 x 794)
};

// One run of the report as the preview would have shown it.
using ListingRun = std::vector<ListingPage>;

inline ListingRun ReadPages(const TVRPrinter& printer) {
    ListingRun pages;
    for (int number = 1; number <= printer.PageCount(); ++number) {
        const auto page = printer.GetPage(number);
        if (!page) {
            ADD_FAILURE() << "page " << number << " is missing from the store";
            continue;
        }
        QImage picture(page->Width(), page->Height(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        page->Play(painter, QRectF(0, 0, picture.width(), picture.height()));
        painter.end();
        pages.push_back({page->Texts(), picture});
    }
    return pages;
}

// Fetches the host's query parameters and switches every filter off ("0"), as the
// unfiltered listing command does; the caller may narrow one before opening.
inline void SetEveryFilterOff(TFrm_Relatorio31& host) {
    host.cdsDados->FetchParams();
    for (const char* name : ListingParameterNames)
        host.cdsDados->Params()
            .ParamByName(QString::fromLatin1(name))
            .SetAsString(QStringLiteral("0"));
}

// The identifiers printed on the pages ("000001" ...), in page order.
inline QStringList PrintedIdentifiers(const ListingRun& pages) {
    static const QRegularExpression identifier(QStringLiteral("^\\d{6}$"));
    QStringList ids;
    for (const ListingPage& page : pages)
        for (const QString& text : page.Texts)
            if (identifier.match(text).hasMatch()) ids << text;
    return ids;
}

inline bool Holds(const ListingRun& pages, const QString& text) {
    for (const ListingPage& page : pages)
        if (page.Texts.contains(text)) return true;
    return false;
}

// The colour of the page's background a little inside the left end of each of `rows`
// detail rows, the first starting `firstTop` tenths of a millimetre from the paper's
// top (rows are 3.97 mm high, 4 mm once rounded).
inline QList<QColor> RowColours(const ListingPage& page, int rows, int firstTop) {
    QList<QColor> colours;
    const QImage& picture = page.Picture;
    const int x = qRound(105.0 * picture.width() / 2970.0);
    for (int row = 0; row < rows; ++row) {
        const double middle = firstTop + 40.0 * row + 20.0;
        colours << QColor(picture.pixel(x, qRound(middle * picture.height() / 2100.0)));
    }
    return colours;
}

inline const QColor kMoneyGreen(0xC0, 0xDC, 0xC0);
inline const QColor kWhite(Qt::white);
// Where the first detail row starts: below the page header and the column header, or
// right below the page header when the set is empty (no column header then).
constexpr int kFirstRowTop = 489;
constexpr int kEmptyRowTop = 383;

class ListingTest : public testing::Test {
protected:
    void SetUp() override {
        ClearShownMessages();
        SetMessageAnswerer([](const TMessageRequest&) { return TMsgButton::OK; });
        database.emplace(TestDatabase::Empty());
        AddStreets();
        dmPrincipal = new TdmPrincipal;
        database->Configure(*dmPrincipal->TorvaneConnection);
        dmPrincipal->TorvaneConnection->Open();
        CapturePreviews();
    }

    void TearDown() override {
        TVRPrinter::SetStandardPreview({});
        delete dmPrincipal;
        dmPrincipal = nullptr;
        SetMessageAnswerer({});
    }

    // Seven streets, stored out of identifier order. Names beginning with "rua" in
    // three spellings, one holding it only later; law 12 twice and law 123 once.
    void AddStreets() {
        struct Street {
            int Id;
            const char *Lei, *Ano, *Tipo, *Nome, *Titulo, *Usual, *Local;
        };
        const Street streets[] = {
            {5, "12", "1990", "AVENIDA", "AVENIDA DA RUA NOVA", "", "", "CENTRO"},
            {1, "12", "1985", "RUA", "RUA DAS FLORES", "VEREADOR", "FLORES", "CENTRO"},
            {3, "123", "1990", "Rua", "Rua Direita", "", "DIREITA", "BAIRRO ALTO"},
            {2, "45", "2001", "RUA", "rua sem saída", "", "", "JARDIM"},
            {4, "7", "1990", "TRAVESSA", "TRAVESSA DO RUI", "PADRE", "", "CENTRO"},
            {7, "88", "2010", "PRAÇA", "PRAÇA DA MATRIZ", "", "MATRIZ", "CENTRO"},
            {6, "1234", "1999", "ALAMEDA", "ALAMEDA DOS IPÊS", "", "", "CAMPESTRE"},
        };
        for (const Street& s : streets)
            database->Execute(
                QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, LEI, ANO, TIPO, NOME, TITULO, "
                               "NOME_USUAL, LOCALIZACAO) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                {s.Id, QString::fromUtf8(s.Lei), QString::fromUtf8(s.Ano),
                 QString::fromUtf8(s.Tipo), QString::fromUtf8(s.Nome), QString::fromUtf8(s.Titulo),
                 QString::fromUtf8(s.Usual), QString::fromUtf8(s.Local)});
    }

    // Every preview from now on is read instead of shown.
    void CapturePreviews() {
        TVRPrinter::SetStandardPreview(
            [this](TVRPrinter& printer, bool) { runs.push_back(ReadPages(printer)); });
    }

    QStringList Messages() const {
        QStringList texts;
        for (const TMessageRequest& request : ShownMessages()) texts << request.Text;
        return texts;
    }

    std::optional<TestDatabase> database;
    std::vector<ListingRun> runs;
};

// Lets gtest print texts readably.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
