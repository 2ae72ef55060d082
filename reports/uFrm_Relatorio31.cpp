#include "reports/uFrm_Relatorio31.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <exception>

#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "core/Colors.h"
#include "core/Exception.h"
#include "core/NumberFormat.h"
#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TParams.h"
#include "data/TSQLQuery.h"
#include "db/StreetFields.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/controls/TVRLabel.h"
#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRDataSet.h"
#include "report_engine/model/TVRReport.h"
#include "reports/layout/ListingLayout.h"

TFrm_Relatorio31* Frm_Relatorio31 = nullptr;

// The emblem lives in this library's resources; a static library has to register
// them itself, and Q_INIT_RESOURCE may not be used inside a namespace.
static void InitReportArtwork() {
    Q_INIT_RESOURCE(reports);
}

namespace {

// Every filter is switched off by the value "0"; law number and year must match
// exactly, the other fields begin with the value, in any case.
const QString kSqlDados = QStringLiteral(
    "SELECT\n"
    "     A.I_ID,\n"
    "     A.PLEI,\n"
    "     A.PANO,\n"
    "     A.LEI,\n"
    "     A.ANO,\n"
    "     A.TIPO,\n"
    "     A.NOME,\n"
    "     A.TITULO,\n"
    "     A.NOME_USUAL,\n"
    "     A.LOCALIZACAO,\n"
    "     A.OBSERVACAO\n"
    "FROM\n"
    "   LOGRADOUROS A\n"
    "WHERE\n"
    "    (\n"
    "     CAST(:LEI AS VARCHAR(10)) = CAST('0' AS VARCHAR(10))\n"
    "     OR\n"
    "     A.LEI = CAST(:LEI AS VARCHAR(10))\n"
    "     )\n"
    "AND\n"
    "    (\n"
    "     CAST(:ANO AS VARCHAR(4)) = CAST('0' AS VARCHAR(4))\n"
    "     OR\n"
    "     A.ANO = CAST(:ANO AS VARCHAR(4))\n"
    "     )\n"
    "AND\n"
    "    (\n"
    "     CAST(:TIPO AS VARCHAR(100)) = CAST('0' AS VARCHAR(100))\n"
    "     OR\n"
    "     UPPER(A.TIPO) LIKE UPPER(:TIPO || '%')\n"
    "     )\n"
    "AND\n"
    "    (\n"
    "     CAST(:NOME AS VARCHAR(255)) = CAST('0' AS VARCHAR(255))\n"
    "     OR\n"
    "     UPPER(A.NOME) LIKE UPPER(:NOME || '%')\n"
    "     )\n"
    "AND\n"
    "    (\n"
    "     CAST(:TITULO AS VARCHAR(50)) = CAST('0' AS VARCHAR(50))\n"
    "     OR\n"
    "     UPPER(A.TITULO) LIKE UPPER(:TITULO || '%')\n"
    "     )\n"
    "AND\n"
    "    (\n"
    "     CAST(:NOME_USUAL AS VARCHAR(255)) = CAST('0' AS VARCHAR(255))\n"
    "     OR\n"
    "     UPPER(A.NOME_USUAL) LIKE UPPER(:NOME_USUAL || '%')\n"
    "     )\n"
    "AND\n"
    "    (\n"
    "     CAST(:LOCALIZACAO AS VARCHAR(50)) = CAST('0' AS VARCHAR(50))\n"
    "     OR\n"
    "     UPPER(A.LOCALIZACAO) LIKE UPPER(:LOCALIZACAO || '%')\n"
    "     )\n"
    "ORDER BY\n"
    "       A.I_ID");

QByteArray ReadEmblem() {
    const QString path = QStringLiteral(":/reports/Imagem.jpg");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open picture %1").arg(path));
    return file.readAll();
}

}  // namespace

TFrm_Relatorio31::TFrm_Relatorio31(QWidget* owner) : QWidget(owner) {
    InitReportArtwork();
    setObjectName(QStringLiteral("Frm_Relatorio31"));
    setWindowTitle(QStringLiteral("Relatório"));
    // A window of its own (owned, not placed inside its owner), and never shown.
    setWindowFlags(Qt::Window);

    sqlDados = new TSQLQuery(this);
    sqlDados->SetName(QStringLiteral("sqlDados"));
    sqlDados->SetSQLConnection(dmPrincipal ? dmPrincipal->TorvaneConnection : nullptr);
    sqlDados->SetMaxBlobSize(-1);
    sqlDados->SQL().SetText(kSqlDados);
    const TParams& parameters = sqlDados->Params();
    for (int i = 0; i < parameters.Count(); ++i) {
        parameters[i].SetDataType(ftString);
        parameters[i].SetParamType(ptInput);
    }

    dspDados = new TDataProvider(this);
    dspDados->SetName(QStringLiteral("dspDados"));
    dspDados->SetDataSet(sqlDados);
    dspDados->SetOptions(TProviderOptions(poAllowCommandText));
    dspDados->SetUpdateMode(upWhereKeyOnly);

    cdsDados = new TCachedDataSet(this);
    cdsDados->setObjectName(QStringLiteral("cdsDados"));
    cdsDados->SetProviderName(QStringLiteral("dspDados"));
    DeclareStreetFields(*cdsDados);
    FRows = std::make_unique<TVRCachedDataSetLink>(*cdsDados);

    VR_Relatorio = new TVRReport(this);
    const TListingLayout layout = BuildListingLayout(*VR_Relatorio, FRows.get());
    PageHeaderBand1 = layout.PageHeaderBand1;
    ColumnHeaderBand1 = layout.ColumnHeaderBand1;
    DetailBand1 = layout.DetailBand1;
    SummaryBand1 = layout.SummaryBand1;
    Imagem = layout.Imagem;
    Estado = layout.Estado;
    EMPRESA = layout.EMPRESA;
    Titulo = layout.Titulo;
    Exercicio = layout.Exercicio;
    Cabecalho = layout.Cabecalho;
    VRSysData3 = layout.VRSysData3;
    Registros = layout.Registros;
    Imagem->Picture().LoadJpeg(ReadEmblem());

    VR_Relatorio->BeforePrint = [this](TCustomVRReport& sender, bool& printReport) {
        VR_RelatorioBeforePrint(sender, printReport);
    };
    DetailBand1->BeforePrint = [this](TVRCustomBand& sender, bool& printBand) {
        DetailBand1BeforePrint(sender, printBand);
    };
}

TFrm_Relatorio31::~TFrm_Relatorio31() {
    // The report and its data texts read the set through FRows: the report goes first.
    delete VR_Relatorio;
    if (Frm_Relatorio31 == this) Frm_Relatorio31 = nullptr;
}

void TFrm_Relatorio31::CancelRun() {
    if (!VR_Relatorio->Available()) VR_Relatorio->CancelByUser();
}

void TFrm_Relatorio31::VR_RelatorioBeforePrint(TCustomVRReport&, bool&) {
    ColumnHeaderBand1->Color = StringToColor(Cor_Cabecalho);
    Pauta = true;
    RG = 0;
}

void TFrm_Relatorio31::DetailBand1BeforePrint(TVRCustomBand& sender, bool&) {
    // The row colours are constants: their names are read once, not for every row.
    static const TColor oddRows = StringToColor(Cor_Pauta_True);
    static const TColor evenRows = StringToColor(Cor_Pauta_False);
    sender.Color = Pauta ? oddRows : evenRows;
    Pauta = !Pauta;
    // The empty set still prints one (empty) row, which is not a record.
    if (cdsDados->RecordCount() > 0) ++RG;
    Registros->SetCaption(QStringLiteral("Total de Registros : ") +
                          FormatFloat(QStringLiteral("###,###,000"), RG));
}

namespace {

// The busy cursor while the listing is being made, until its preview shows.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { Release(); }
    void Release() {
        if (FShown) QApplication::restoreOverrideCursor();
        FShown = false;
    }

private:
    bool FShown = true;
};

}  // namespace

void RunStreetListing(QWidget* owner, const TListingFilter& values, const QString& description,
                      const TListingOutput& output) {
    // The run dispatches window messages before every row: a command that comes in
    // meanwhile must not start a second listing over the first one's host.
    if (Frm_Relatorio31 != nullptr)
        throw Exception(QStringLiteral("O relatório já está sendo gerado."));
    BusyCursor busy;
    // The host is released through this pointer: the global names it only while it is
    // the listing under way.
    const QPointer<TFrm_Relatorio31> host = new TFrm_Relatorio31(owner);
    Frm_Relatorio31 = host;
    std::exception_ptr failure;
    try {
        host->cdsDados->Close();
        host->cdsDados->FetchParams();
        TParams& parameters = host->cdsDados->Params();
        for (std::size_t i = 0; i < values.size(); ++i)
            parameters.ParamByName(QLatin1String(ListingParameterNames[i])).SetAsString(values[i]);
        host->cdsDados->Open();

        host->Estado->SetCaption(Descricao_Estado);
        host->EMPRESA->SetCaption(Descricao_Cliente);
        host->Exercicio->SetCaption(QStringLiteral("Exercício : ") + Ano_Exercicio);
        host->Titulo->SetCaption(TituloRelatorio);
        host->Cabecalho->SetCaption(description);

        if (output) {
            output(*host->VR_Relatorio);
        } else {
            host->VR_Relatorio->OnPreviewShowing = [&busy](TCustomVRReport&) { busy.Release(); };
            host->VR_Relatorio->PreviewModal();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    // The host may already be gone if its owner went during the preview; either way
    // its destructor resets the global.
    if (host) {
        host->cdsDados->Close();
        host->close();
        delete host.data();
    }
    if (failure) std::rethrow_exception(failure);
}
