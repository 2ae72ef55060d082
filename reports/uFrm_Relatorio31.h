#pragma once

// TFrm_Relatorio31: the host of the street listing. It is created for one run of a
// report command and never shown itself: it carries the report's own query chain over
// LOGRADOUROS (sqlDados -> dspDados -> cdsDados on the program's session), the report
// VR_Relatorio laid out by reports/layout, and the two handlers that colour and count
// the rows. The report commands set the seven filter parameters and the header texts,
// open cdsDados and run the report (RunStreetListing below).

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "reports/ListingFilter.h"

class TCachedDataSet;
class TCustomVRReport;
class TDataProvider;
class TSQLQuery;
class TVRBand;
class TVRCachedDataSetLink;
class TVRCustomBand;
class TVRImage;
class TVRLabel;
class TVRReport;
class TVRSysData;

class TFrm_Relatorio31 : public QWidget {
    Q_OBJECT

public:
    explicit TFrm_Relatorio31(QWidget* owner = nullptr);
    ~TFrm_Relatorio31() override;

    TSQLQuery* sqlDados = nullptr;
    TDataProvider* dspDados = nullptr;
    TCachedDataSet* cdsDados = nullptr;

    TVRReport* VR_Relatorio = nullptr;
    TVRBand* PageHeaderBand1 = nullptr;
    TVRBand* ColumnHeaderBand1 = nullptr;
    TVRBand* DetailBand1 = nullptr;
    TVRBand* SummaryBand1 = nullptr;
    TVRImage* Imagem = nullptr;
    TVRLabel* Estado = nullptr;
    TVRLabel* EMPRESA = nullptr;
    TVRLabel* Titulo = nullptr;
    TVRLabel* Exercicio = nullptr;
    TVRLabel* Cabecalho = nullptr;
    TVRSysData* VRSysData3 = nullptr;
    TVRLabel* Registros = nullptr;

    // Cancels the listing's run while it is under way (nothing otherwise): it stops at
    // the next row and no preview opens.
    void CancelRun();

    // Before each generation: the column header's colour from the installation, the
    // rows' colours and the count start again.
    void VR_RelatorioBeforePrint(TCustomVRReport& sender, bool& printReport);
    // Before each detail row: alternate the row's colour, count the row when the set
    // holds records, and show the count in the summary.
    void DetailBand1BeforePrint(TVRCustomBand& sender, bool& printBand);

private:
    // State of the run, reset at the start of every generation: the colour of the next
    // row and the rows counted so far. Each host has its own, so that no other run
    // can change the colours or the count of this one.
    bool Pauta = true;
    int RG = 0;
    // The report walks cdsDados through this link.
    std::unique_ptr<TVRCachedDataSetLink> FRows;
};

// The host while a report runs; none otherwise.
extern TFrm_Relatorio31* Frm_Relatorio31;

// What becomes of the listing's run when it is not shown in the preview: the tool runs
// the report once, straight into its output (an export filter, a printer, the native
// page file), given the report with its data set open and its texts set.
using TListingOutput = std::function<void(TCustomVRReport& report)>;

// Runs the street listing with the given filter values and filter description, on a
// host owned by `owner`: the host is created, its parameters fetched and set, the set
// opened, the header texts set from the installation constants and TituloRelatorio, and
// the report shown by PreviewModal, or handed to `output` when one is given. The cursor
// shows that work goes on until the preview opens. Whatever happens, the set is closed
// and the host destroyed; an error then reaches the caller. While a listing is under
// way (its host exists) another is refused with an Exception.
void RunStreetListing(QWidget* owner, const TListingFilter& values, const QString& description,
                      const TListingOutput& output = {});
