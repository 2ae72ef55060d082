// listing: the street listing without a screen. It runs the menu commands' own code
// (RunStreetListing: the listing host, its query chain and report) on the configured
// database; where the program would show the preview window, the tool saves the
// finished pages as a native page file, exports them through the registered filter of
// the output's extension (which runs the report again, as saving from the preview
// does), or prints them on a CUPS queue.
#include <QFileInfo>
#include <QPrinterInfo>
#include <QTimer>
#include <array>
#include <optional>

#include "app/uTotal.h"
#include "core/Exception.h"
#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/printer/TVRPrinterSettings.h"
#include "reports/ListingFilter.h"
#include "reports/uFrm_Relatorio31.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/ExportComponents.h"
#include "tool/OutputFile.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

namespace {

// The filter options in the order of the report's parameters, with the width the
// report's query casts each value to (a longer value makes the database refuse it).
struct FilterOption {
    const char* Option;
    int Width;
};
const FilterOption kFilterOptions[] = {
    {"lei", 10},    {"ano", 4},          {"tipo", 100},       {"nome", 255},
    {"titulo", 50}, {"nome-usual", 255}, {"localizacao", 50},
};

// The menu items' captions, which the menu commands use as the report's title.
const char kFullListingTitle[] = "Relatório dos Logradouros";
const char kFilteredListingTitle[] = "Relatório dos Logradouros - Pesquisa";

struct ListingRequest {
    TListingFilter Values;
    QString Description;
    QString Title;
    QString OutputFile;            // empty when printing
    std::optional<QString> Queue;  // set when printing; empty text: the default queue
};

ListingRequest ReadRequest(Arguments& arguments) {
    ListingRequest request;
    bool filtered = false;
    std::array<QString, 7> texts;
    for (std::size_t i = 0; i < std::size(kFilterOptions); ++i) {
        const FilterOption& filter = kFilterOptions[i];
        const std::optional<QString> value =
            arguments.TakeValue(QString::fromLatin1(filter.Option));
        if (!value) continue;
        filtered = true;
        if (value->size() > filter.Width) {
            arguments.Refuse(QStringLiteral("--%1 aceita no máximo %2 caracteres.")
                                 .arg(QString::fromLatin1(filter.Option))
                                 .arg(filter.Width));
        }
        texts[i] = *value;
    }
    // Any filter option makes it the filtered listing, whose values and filter line
    // come from the texts as the filter dialog makes them from its boxes; without
    // one it is the full listing, every filter off and no filter line.
    if (filtered) {
        const TTypedListingFilter typed = ListingFilterFromTexts(texts);
        request.Values = typed.Values;
        request.Description = typed.Description;
    } else {
        request.Values = NoListingFilter();
    }
    request.Title = QString::fromUtf8(filtered ? kFilteredListingTitle : kFullListingTitle);

    const std::optional<QString> out = arguments.TakeValue(QStringLiteral("out"));
    request.Queue = arguments.TakeOptionalValue(QStringLiteral("print"));
    arguments.TakePositionals(0);
    arguments.Finish();
    if (out.has_value() == request.Queue.has_value())
        arguments.Refuse(QStringLiteral("diga --out ARQUIVO ou --print [FILA] (um dos dois)."));
    if (out) {
        if (out->isEmpty())
            arguments.Refuse(QStringLiteral("--out precisa de um nome de arquivo."));
        request.OutputFile = *out;
    }
    return request;
}

// The queue's index among the machine's printers, or -1 for the default printer.
int PrinterIndexOf(const QString& queue) {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (queue.isEmpty()) {
        if (QPrinterInfo::defaultPrinter().isNull())
            throw ToolError(kExitPrinter, QStringLiteral("não há impressora padrão configurada."));
        return -1;
    }
    for (int i = 0; i < printers.size(); ++i) {
        if (printers[i].printerName() == queue) return i;
    }
    QStringList names;
    for (const QPrinterInfo& printer : printers) names << printer.printerName();
    throw ToolError(kExitPrinter,
                    QStringLiteral("a fila de impressão \"%1\" não existe (filas: %2).")
                        .arg(queue, names.isEmpty() ? QStringLiteral("nenhuma")
                                                    : names.join(QStringLiteral(", "))));
}

// A progress line on a terminal: the page count of the run in progress, read from the
// listing host whenever the report dispatches pending events (before every row), and
// shown each time it grows.
class ProgressLine {
public:
    ProgressLine() {
        if (!ErrorIsTerminal()) return;
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Show(); });
        FTimer.start(0);
    }
    ~ProgressLine() { EndProgress(); }
    void SetPhase(const QString& phase) {
        FPhase = phase;
        FShown = 0;
    }

private:
    void Show() {
        if (Frm_Relatorio31 == nullptr) return;
        const int pages = Frm_Relatorio31->VR_Relatorio->PageCount();
        if (pages <= FShown) return;
        FShown = pages;
        PrintProgress(QStringLiteral("%1: página %2").arg(FPhase).arg(pages));
    }

    QTimer FTimer;
    QString FPhase = QStringLiteral("Gerando o relatório");
    int FShown = 0;
};

}  // namespace

int RunListing(Arguments& arguments) {
    const ListingRequest request = ReadRequest(arguments);

    // What becomes of the pages, settled before the database is even opened.
    const TVRExportFilterLibraryEntry* filterEntry = nullptr;
    std::optional<OutputFile> output;
    int printerIndex = -1;
    const ExportComponents formats;
    if (request.Queue) {
        printerIndex = PrinterIndexOf(*request.Queue);
    } else {
        const QString extension = QFileInfo(request.OutputFile).suffix();
        if (extension.compare(VRReportFileExtension, Qt::CaseInsensitive) != 0) {
            filterEntry = VRExportFilterLibrary().GetFilterByExtension(extension);
            if (!filterEntry) {
                QStringList known{VRReportFileExtension};
                for (const TVRExportFilterLibraryEntry& entry : VRExportFilterLibrary().Filters())
                    known << entry.FExtension;
                throw ToolError(kExitFormat,
                                QStringLiteral("não sei gravar \"%1\": use a extensão %2.")
                                    .arg(request.OutputFile, known.join(QStringLiteral(", "))));
            }
        }
        output.emplace(request.OutputFile);
    }

    ToolSession session;
    ProgressLine progress;
    int pageCount = 0;
    // The report runs once, straight into what the tool was asked for.
    const TListingOutput runInto = [&](TCustomVRReport& report) {
        if (request.Queue) {
            progress.SetPhase(QStringLiteral("Imprimindo"));
            TVRPrinterSettings& settings = report.PrinterSettings();
            settings.UseStandardPrinter = printerIndex < 0;
            settings.PrinterIndex = printerIndex;
            report.Print();
            pageCount = report.PageCount();
        } else if (filterEntry) {
            progress.SetPhase(QStringLiteral("Gravando"));
            const std::unique_ptr<TVRExportFilter> filter =
                filterEntry->FExportFilterClass.Create(output->Path());
            report.ExportToFilter(*filter);
            pageCount = report.PageCount();
        } else {
            report.Prepare();
            TVRPrinter* pages = report.VRPrinter();
            if (!pages || !pages->Save(output->Path()))
                throw ToolError(kExitFailure, QStringLiteral("o relatório não foi concluído."));
            pageCount = pages->PageCount();
        }
    };

    TituloRelatorio = request.Title;
    try {
        RunStreetListing(nullptr, request.Values, request.Description, runInto);
    } catch (const ToolError&) {
        throw;
    } catch (const EDatabaseError& error) {
        throw ToolError(
            kExitDatabase,
            QStringLiteral("o banco de dados recusou o relatório: %1").arg(error.Message()));
    } catch (const Exception& error) {
        if (request.Queue) throw ToolError(kExitPrinter, error.Message());
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2")
                                        .arg(request.OutputFile, error.Message()));
    }
    if (request.Queue) {
        PrintLine(QStringLiteral("%1 para %2")
                      .arg(PageCountText(pageCount), request.Queue->isEmpty()
                                                         ? QStringLiteral("a impressora padrão")
                                                         : *request.Queue));
    } else {
        PrintLine(QStringLiteral("%1: %2").arg(request.OutputFile, PageCountText(pageCount)));
    }
    return kExitOk;
}
