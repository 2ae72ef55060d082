#pragma once

// The street listing's report over rows held in memory: the layout is the listing
// host's own (reports/layout), with a plain emblem, fixed header texts and row
// handlers that colour and count the rows as the host's do. Header-only, so the report
// benchmark builds the same report as the tests.

#include <QImage>
#include <QString>
#include <memory>

#include "core/NumberFormat.h"
#include "data/TField.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/controls/TVRDBText.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/controls/TVRLabel.h"
#include "report_engine/controls/TVRShape.h"
#include "report_engine/controls/TVRSysData.h"
#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRMemoryDataSet.h"
#include "report_engine/model/TVRReport.h"
#include "reports/layout/ListingLayout.h"

struct ListingFixture {
    std::unique_ptr<TVRReport> Report;
    TVRMemoryDataSet Data;
    TVRBand* PageHeader = nullptr;
    TVRBand* ColumnHeader = nullptr;
    TVRBand* Detail = nullptr;
    TVRBand* Summary = nullptr;
    TVRSysData* PageNumber = nullptr;
    TVRLabel* Records = nullptr;
    bool Pauta = true;
    int RG = 0;

    // One street per row: identifiers 1..rows, texts that fit their boxes.
    void FillRows(int rows) {
        Data.Clear();
        for (int i = 1; i <= rows; ++i)
            Data.AppendRow({i, QString::number(1000 + i % 500), QString::number(1990 + i % 30),
                            QStringLiteral("RUA"), QStringLiteral("Rua Número %1").arg(i),
                            QStringLiteral("Vereador"), QStringLiteral("Rua %1").arg(i),
                            QStringLiteral("Centro")});
    }
};

namespace listing {

// Sets up a small report of the engine's tests over `data`: native units, 10 mm
// margins all round, no progress window.
inline void SetUpSmallReport(TVRReport& report, TVRDataSet& data) {
    report.ShowProgressWindow = false;
    report.DataSet = &data;
    report.SetUnits(TVRUnit::Native);
    report.Page().SetNativeTopMargin(100);
    report.Page().SetNativeBottomMargin(100);
    report.Page().SetNativeLeftMargin(100);
    report.Page().SetNativeRightMargin(100);
}

// Adds a further band of the given role, as wide as the listing's bands.
inline TVRBand* AddBand(TVRReport& report, TVRBandType type, const QString& name, double heightMm) {
    auto* band = new TVRBand(&report, type);
    band->SetName(name);
    band->Size().SetHeight(heightMm);
    band->Size().SetWidth(277);
    return band;
}

// Places a further control on a band (sizes in the report's units, millimetres).
template <class Control>
Control* Place(TVRBand* band, const QString& name, double left, double top, double width,
               double height) {
    return PlaceOnBand<Control>(band, name, left, top, width, height);
}

inline std::unique_ptr<ListingFixture> MakeListing(int rows) {
    auto fixture = std::make_unique<ListingFixture>();
    ListingFixture& f = *fixture;
    f.Data.AddIntegerField(QStringLiteral("I_ID"))->SetDisplayFormat(QStringLiteral("000000"));
    const char* textFields[] = {"LEI",    "ANO",        "TIPO",       "NOME",
                                "TITULO", "NOME_USUAL", "LOCALIZACAO"};
    for (const char* field : textFields) f.Data.AddStringField(QString::fromLatin1(field), 255);
    f.FillRows(rows);

    f.Report = std::make_unique<TVRReport>();
    TVRReport& report = *f.Report;
    const TListingLayout layout = BuildListingLayout(report, &f.Data);
    report.ShowProgressWindow = false;
    f.PageHeader = layout.PageHeaderBand1;
    f.ColumnHeader = layout.ColumnHeaderBand1;
    f.Detail = layout.DetailBand1;
    f.Summary = layout.SummaryBand1;
    f.PageNumber = layout.VRSysData3;
    f.Records = layout.Registros;

    QImage picture(96, 98, QImage::Format_RGB32);
    picture.fill(QColor(30, 90, 160));
    layout.Imagem->Picture().LoadJpeg(Jpeg::Encode(picture));
    layout.Titulo->SetCaption(QStringLiteral("Relação de Logradouros"));
    layout.Exercicio->SetCaption(QStringLiteral("Exercício : 2026"));

    ListingFixture* state = fixture.get();
    report.BeforePrint = [state](TCustomVRReport&, bool&) {
        state->ColumnHeader->Color = clSilver;
        state->Pauta = true;
        state->RG = 0;
    };
    f.Detail->BeforePrint = [state](TVRCustomBand& band, bool&) {
        band.Color = state->Pauta ? clMoneyGreen : clWhite;
        state->Pauta = !state->Pauta;
        TVRDataSet* rows = state->Report->DataSet;
        if (rows && rows->RecordCount() > 0) ++state->RG;
        state->Records->SetCaption(QStringLiteral("Total de Registros : ") +
                                   FormatFloat(QStringLiteral("###,###,000"), state->RG));
    };
    return fixture;
}

}  // namespace listing
