#pragma once

// The street listing's report definition: landscape A4 with 10 mm margins, a page
// header with the emblem, five texts and the page number, a grey column header with
// two rules and eight titles, a detail band of eight field texts and a summary with the
// record count between two rules. Sizes are millimetres, left and top inside the band.
//
// The listing host builds its report with this, and so do the engine's tests and
// benchmarks over rows held in memory, so that they all lay out the same report.

#include <QString>

#include "report_engine/model/TVRBand.h"

class TVRDataSet;
class TVRImage;
class TVRLabel;
class TVRReport;
class TVRSysData;

struct TListingLayout {
    TVRBand* PageHeaderBand1 = nullptr;
    TVRBand* ColumnHeaderBand1 = nullptr;
    TVRBand* DetailBand1 = nullptr;
    TVRBand* SummaryBand1 = nullptr;

    TVRImage* Imagem = nullptr;  // empty: the caller loads the emblem
    TVRLabel* Estado = nullptr;
    TVRLabel* EMPRESA = nullptr;
    TVRLabel* Titulo = nullptr;
    TVRLabel* Exercicio = nullptr;
    TVRLabel* Cabecalho = nullptr;
    TVRSysData* VRSysData3 = nullptr;  // "Pág.  " and the page number
    TVRLabel* Registros = nullptr;     // the record count, set before each detail band
};

// Gives `report` (empty, just created) the listing's name, page, options and preview
// and printer settings, and creates its bands and controls. The report and its data
// texts read `rows`, whose fields are the street columns I_ID, LEI, ANO, TIPO, NOME,
// TITULO, NOME_USUAL and LOCALIZACAO.
TListingLayout BuildListingLayout(TVRReport& report, TVRDataSet* rows);

// Creates a control on a band at the given place, in the report's units (millimetres
// for the listing).
template <class Control>
Control* PlaceOnBand(TVRBand* band, const QString& name, double left, double top, double width,
                     double height) {
    auto* control = new Control(band);
    control->SetName(name);
    control->Size().SetLeft(left);
    control->Size().SetTop(top);
    control->Size().SetWidth(width);
    control->Size().SetHeight(height);
    return control;
}
