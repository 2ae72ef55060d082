#include "reports/layout/ListingLayout.h"

#include <QString>

#include "report_engine/controls/TVRDBText.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/controls/TVRLabel.h"
#include "report_engine/controls/TVRShape.h"
#include "report_engine/controls/TVRSysData.h"
#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRReport.h"

namespace {

// Bands span the paper between the side margins: 297 - 10 - 10.
constexpr double kBandWidth = 277;

TVRBand* AddBand(TVRReport& report, TVRBandType type, const QString& name, double height) {
    auto* band = new TVRBand(&report, type);
    band->SetName(name);
    band->Size().SetHeight(height);
    band->Size().SetWidth(kBandWidth);
    return band;
}

// A fixed-size text of the given font, wrapping at spaces inside its box.
template <class Control>
Control* FixedText(TVRBand* band, const QString& name, double left, double top, double width,
                   double height, int points, bool bold, TAlignment alignment, bool transparent) {
    auto* text = PlaceOnBand<Control>(band, name, left, top, width, height);
    text->AutoSize = false;
    text->Font().Size = points;
    text->Font().Bold = bold;
    text->SetAlignment(alignment);
    text->Transparent = transparent;
    return text;
}

TVRLabel* HeaderText(TVRBand* band, const QString& name, const QString& caption, double top,
                     double height, int points, bool bold) {
    auto* label = FixedText<TVRLabel>(band, name, 29.37, top, 194.20, height, points, bold,
                                      taLeftJustify, false);
    label->SetCaption(caption);
    return label;
}

void Rule(TVRBand* band, const QString& name, double top, double height) {
    PlaceOnBand<TVRShape>(band, name, 0, top, kBandWidth, height)->Shape = vrsHorLine;
}

// A column of the listing: its title in the column header and its field text in the
// detail band, at the same left and width.
struct Column {
    const char* Title;
    const char* TitleName;
    const char* Field;
    const char* TextName;
    double Left;
    double Width;
    TAlignment Alignment;
};

const Column kColumns[] = {
    {"Código", "VRLabel1", "I_ID", "VRDBText2", 0.00, 15.88, taCenter},
    {"Lei", "VRLabel2", "LEI", "VRDBText1", 16.93, 15.88, taCenter},
    {"Ano", "VRLabel3", "ANO", "VRDBText4", 33.87, 15.88, taCenter},
    {"Tipo", "VRLabel5", "TIPO", "VRDBText3", 50.80, 26.46, taLeftJustify},
    {"Nome", "VRLabel4", "NOME", "VRDBText5", 78.32, 55.56, taLeftJustify},
    {"Título", "VRLabel7", "TITULO", "VRDBText6", 134.94, 26.46, taLeftJustify},
    {"Nome Usual", "VRLabel6", "NOME_USUAL", "VRDBText7", 162.45, 55.56, taLeftJustify},
    {"Localização", "VRLabel8", "LOCALIZACAO", "VRDBText8", 219.07, 55.56, taLeftJustify},
};

void SetUpReport(TVRReport& report, TVRDataSet* rows) {
    report.SetName(QStringLiteral("VR_Relatorio"));
    // Sizes given to bands and controls below are read in the report's units.
    report.SetUnits(TVRUnit::MM);
    report.DataSet = rows;
    report.Font = TVRFont{};  // Arial 10
    report.Options = TVROptions(TVROption::FirstPageHeader) | TVROption::LastPageFooter;
    report.PrintIfEmpty = true;
    report.Zoom = 100;

    TVRPage& page = report.Page();
    page.SetPaperSize(TVRPaperSize::A4);
    page.SetOrientation(poLandscape);
    page.SetTopMargin(10);
    page.SetBottomMargin(10);
    page.SetLeftMargin(10);
    page.SetRightMargin(10);

    report.PreviewInitialState = pwsMaximized;
    report.PrevInitialZoom = vrZoom100;
    report.PreviewDefaultSaveType = stPDF;
    report.PrevFormStyle = 0;

    TVRPrinterSettings& printer = report.PrinterSettings();
    printer.Copies = 1;
    printer.OutputBin = TVRBin::Upper;
    printer.Duplex = false;
    printer.FirstPage = 0;
    printer.LastPage = 0;
    printer.MemoryLimit = 1000000;
    // Printing runs the report again rather than printing the stored pages.
    printer.PrintMetaFile = false;
}

}  // namespace

TListingLayout BuildListingLayout(TVRReport& report, TVRDataSet* rows) {
    SetUpReport(report, rows);
    TListingLayout layout;

    TVRBand* header = AddBand(report, rbPageHeader, QStringLiteral("PageHeaderBand1"), 28.31);
    layout.PageHeaderBand1 = header;
    layout.Imagem =
        PlaceOnBand<TVRImage>(header, QStringLiteral("Imagem"), 2.65, 2.12, 25.14, 25.66);
    layout.Imagem->Stretch = true;
    layout.Estado = HeaderText(header, QStringLiteral("Estado"), QStringLiteral("Estado"), 3.17,
                               4.50, 10, true);
    layout.EMPRESA = HeaderText(header, QStringLiteral("EMPRESA"), QStringLiteral("Empresa"), 7.94,
                                4.50, 10, true);
    layout.Titulo = HeaderText(header, QStringLiteral("Titulo"), QString(), 12.70, 3.97, 8, false);
    layout.Exercicio =
        HeaderText(header, QStringLiteral("Exercicio"), QString(), 16.93, 3.97, 8, false);
    layout.Cabecalho =
        HeaderText(header, QStringLiteral("Cabecalho"), QString(), 21.17, 6.35, 8, false);
    layout.VRSysData3 = FixedText<TVRSysData>(header, QStringLiteral("VRSysData3"), 236.27, 2.12,
                                              39.69, 3.97, 8, false, taRightJustify, false);
    layout.VRSysData3->Data = vrsPageNumber;
    layout.VRSysData3->Text = QStringLiteral("Pág.  ");

    TVRBand* columns = AddBand(report, rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 10.58);
    layout.ColumnHeaderBand1 = columns;
    columns->Color = clSilver;
    Rule(columns, QStringLiteral("VRShape1"), 0, 0.79);
    Rule(columns, QStringLiteral("VRShape2"), 10.05, 0.79);
    for (const Column& column : kColumns)
        FixedText<TVRLabel>(columns, QString::fromLatin1(column.TitleName), column.Left, 4.50,
                            column.Width, 4.50, 7, true, column.Alignment, true)
            ->SetCaption(QString::fromUtf8(column.Title));

    TVRBand* detail = AddBand(report, rbDetail, QStringLiteral("DetailBand1"), 3.97);
    layout.DetailBand1 = detail;
    for (const Column& column : kColumns) {
        // Transparent, so that the row's colour shows through.
        auto* text = FixedText<TVRDBText>(detail, QString::fromLatin1(column.TextName), column.Left,
                                          0, column.Width, 3.70, 7, false, column.Alignment, true);
        text->DataSet = rows;
        text->DataField = QString::fromLatin1(column.Field);
    }

    TVRBand* summary = AddBand(report, rbSummary, QStringLiteral("SummaryBand1"), 19.84);
    layout.SummaryBand1 = summary;
    // The upper rule straddles the band's top edge.
    Rule(summary, QStringLiteral("VRShape3"), -0.53, 1.32);
    // Sized to its text; the design caption is replaced before any band prints.
    layout.Registros =
        PlaceOnBand<TVRLabel>(summary, QStringLiteral("Registros"), 0, 0.79, 20, 3.17);
    layout.Registros->Font().Size = 7;
    layout.Registros->Font().Bold = true;
    layout.Registros->SetCaption(QStringLiteral("T O T A L"));
    Rule(summary, QStringLiteral("VRShape5"), 3.97, 1.32);
    return layout;
}
