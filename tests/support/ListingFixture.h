#pragma once

// A report shaped like the street listing: landscape A4 with 10 mm margins, a page
// header with the emblem, five texts and the page number, a grey column header with
// two rules and eight titles, a detail band of eight field texts in alternating colours
// and a summary with the record count between two rules. Header-only, so the report
// benchmark builds the same report as the tests.

#include <QImage>
#include <QString>
#include <memory>

#include "data/NumberFormat.h"
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

inline TVRBand* AddBand(TVRReport& report, TVRBandType type, const QString& name, double heightMm) {
    auto* band = new TVRBand(&report, type);
    band->SetName(name);
    band->Size().SetHeight(heightMm);
    band->Size().SetWidth(277);
    return band;
}

template <class Control>
Control* Place(TVRBand* band, const QString& name, double left, double top, double width,
               double height) {
    auto* control = new Control(band);
    control->SetName(name);
    control->Size().SetLeft(left);
    control->Size().SetTop(top);
    control->Size().SetWidth(width);
    control->Size().SetHeight(height);
    return control;
}

inline TVRLabel* Text(TVRBand* band, const QString& name, const QString& caption, double left,
                      double top, double width, double height, int points, bool bold,
                      TAlignment alignment, bool transparent) {
    auto* label = Place<TVRLabel>(band, name, left, top, width, height);
    label->AutoSize = false;
    label->Font().Size = points;
    label->Font().Bold = bold;
    label->SetAlignment(alignment);
    label->Transparent = transparent;
    label->SetCaption(caption);
    return label;
}

inline TVRShape* Rule(TVRBand* band, const QString& name, double top, double height) {
    auto* rule = Place<TVRShape>(band, name, 0, top, 277, height);
    rule->Shape = vrsHorLine;
    return rule;
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
    report.SetName(QStringLiteral("VR_Relatorio"));
    report.SetUnits(TVRUnit::MM);
    report.ShowProgressWindow = false;
    report.PrintIfEmpty = true;
    report.DataSet = &f.Data;
    report.Page().SetPaperSize(TVRPaperSize::A4);
    report.Page().SetOrientation(poLandscape);
    report.Page().SetTopMargin(10);
    report.Page().SetBottomMargin(10);
    report.Page().SetLeftMargin(10);
    report.Page().SetRightMargin(10);
    report.PrinterSettings().MemoryLimit = 1000000;

    f.PageHeader = AddBand(report, rbPageHeader, QStringLiteral("PageHeaderBand1"), 28.31);
    auto* emblem =
        Place<TVRImage>(f.PageHeader, QStringLiteral("Imagem"), 2.65, 2.12, 25.14, 25.66);
    QImage picture(96, 98, QImage::Format_RGB32);
    picture.fill(QColor(30, 90, 160));
    emblem->Picture().LoadJpeg(Jpeg::Encode(picture));
    emblem->Stretch = true;
    Text(f.PageHeader, QStringLiteral("Estado"), QStringLiteral("Estado"), 29.37, 3.17, 194.20,
         4.50, 10, true, taLeftJustify, false);
    Text(f.PageHeader, QStringLiteral("EMPRESA"), QStringLiteral("Empresa"), 29.37, 7.94, 194.20,
         4.50, 10, true, taLeftJustify, false);
    Text(f.PageHeader, QStringLiteral("Titulo"), QStringLiteral("Relação de Logradouros"), 29.37,
         12.70, 194.20, 3.97, 8, false, taLeftJustify, false);
    Text(f.PageHeader, QStringLiteral("Exercicio"), QStringLiteral("Exercício : 2026"), 29.37,
         16.93, 194.20, 3.97, 8, false, taLeftJustify, false);
    Text(f.PageHeader, QStringLiteral("Cabecalho"), QString(), 29.37, 21.17, 194.20, 6.35, 8, false,
         taLeftJustify, false);
    f.PageNumber =
        Place<TVRSysData>(f.PageHeader, QStringLiteral("VRSysData3"), 236.27, 2.12, 39.69, 3.97);
    f.PageNumber->AutoSize = false;
    f.PageNumber->Data = vrsPageNumber;
    f.PageNumber->Text = QStringLiteral("Pág.  ");
    f.PageNumber->Font().Size = 8;
    f.PageNumber->SetAlignment(taRightJustify);

    f.ColumnHeader = AddBand(report, rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 10.58);
    f.ColumnHeader->Color = clSilver;
    Rule(f.ColumnHeader, QStringLiteral("VRShape1"), 0, 0.79);
    Rule(f.ColumnHeader, QStringLiteral("VRShape2"), 10.05, 0.79);
    struct Column {
        const char* Title;
        const char* Label;
        const char* Field;
        const char* Text;
        double Left;
        double Width;
        TAlignment Alignment;
    };
    const Column columns[] = {
        {"Código", "VRLabel1", "I_ID", "VRDBText2", 0.00, 15.88, taCenter},
        {"Lei", "VRLabel2", "LEI", "VRDBText1", 16.93, 15.88, taCenter},
        {"Ano", "VRLabel3", "ANO", "VRDBText4", 33.87, 15.88, taCenter},
        {"Tipo", "VRLabel5", "TIPO", "VRDBText3", 50.80, 26.46, taLeftJustify},
        {"Nome", "VRLabel4", "NOME", "VRDBText5", 78.32, 55.56, taLeftJustify},
        {"Título", "VRLabel7", "TITULO", "VRDBText6", 134.94, 26.46, taLeftJustify},
        {"Nome Usual", "VRLabel6", "NOME_USUAL", "VRDBText7", 162.45, 55.56, taLeftJustify},
        {"Localização", "VRLabel8", "LOCALIZACAO", "VRDBText8", 219.07, 55.56, taLeftJustify},
    };
    for (const Column& column : columns)
        Text(f.ColumnHeader, QString::fromLatin1(column.Label), QString::fromUtf8(column.Title),
             column.Left, 4.50, column.Width, 4.50, 7, true, column.Alignment, true);

    f.Detail = AddBand(report, rbDetail, QStringLiteral("DetailBand1"), 3.97);
    for (const Column& column : columns) {
        auto* text = Place<TVRDBText>(f.Detail, QString::fromLatin1(column.Text), column.Left, 0,
                                      column.Width, 3.70);
        text->AutoSize = false;
        text->Transparent = true;
        text->Font().Size = 7;
        text->SetAlignment(column.Alignment);
        text->DataSet = &f.Data;
        text->DataField = QString::fromLatin1(column.Field);
    }

    f.Summary = AddBand(report, rbSummary, QStringLiteral("SummaryBand1"), 19.84);
    Rule(f.Summary, QStringLiteral("VRShape3"), -0.53, 1.32);
    f.Records = Place<TVRLabel>(f.Summary, QStringLiteral("Registros"), 0, 0.79, 20, 3.17);
    f.Records->Font().Size = 7;
    f.Records->Font().Bold = true;
    f.Records->SetCaption(QStringLiteral("T O T A L"));
    Rule(f.Summary, QStringLiteral("VRShape5"), 3.97, 1.32);

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
