#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "core/Colors.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/base/TVRUnits.h"
#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/canvas/TVRShapeGraphic.h"

class TCustomVRReport;
class TVRCustomBand;
class TVRPrintable;

// How a spreadsheet-minded filter should take a text.
enum TExportType { exptText, exptNumeric, exptFormula };

enum TXLNumFormat {
    nfGeneral,
    nfInteger,
    nfDec2,
    nfIntRound,
    nfCurrencyNS,
    nfCurrency,
    nfCurrency2,
    nfCurrencyDec,
    nfCurrencyDec2,
    nfPercent,
    nfPercentDec2,
    nfFraction,
    nfFraction2,
    nfDate1,
    nfDate2,
    nfDate3,
    nfDate4,
    nfTime1,
    nfTime2,
    nfTime3,
    nfTime4,
    nfDateTime
};

// Vertical placement of a text in its box.
enum TTextLayout { tlTop, tlCenter, tlBottom };

// One line of text with everything a filter may want to know about the control that
// printed it. Positions and sizes are native (tenths of a millimetre) from the paper's
// top-left corner; X is the alignment anchor.
struct TExportInfoRec {
    double Xpos = 0;
    double Ypos = 0;
    TVRFont Font;
    TColor BGColor = clWhite;
    TAlignment Alignment = taLeftJustify;
    QString Text;
    int Column = 0;
    TExportType ExportAs = exptText;
    QString ControlName;
    double ControlWidth = 0;
    double controlHeight = 0;
    double controlLeft = 0;
    double controlTop = 0;
    TXLNumFormat XLNumFormat = nfGeneral;
    TTextLayout VAlignment = tlTop;
};

// An export filter: a report run hands it every text, shape and picture of every page
// instead of drawing them. The report calls, in this order: Start (only when the filter
// is not active yet), EndPage once, then per page NewPage, the page's content and
// EndPage, and finally Finish. Texts arrive in native units; the offsets of shapes and
// pictures, a shape's size and a picture control's size are device pixels of the export
// run's page printer, whose units the run hands the filter (SetDeviceUnits) before
// Start and every page.
//
// A filter writing a file gives it the target's name only when its Finish completes:
// a run that fails (Finish is never called) or is cancelled (Finish is still called)
// leaves an older file of that name as it was, and nothing beside it.
class TVRExportFilter {
public:
    explicit TVRExportFilter(const QString& fileName);
    virtual ~TVRExportFilter();

    virtual QString GetDescription();
    virtual QString GetExtension();  // without the dot
    virtual QString GetFilterName();
    virtual QString GetVendorName();
    // A streaming filter takes the report as one endless page.
    virtual bool GetStreaming();
    virtual void Start(int paperWidth, int paperHeight, const TVRFont& font);
    virtual void EndPage();
    virtual void Finish();
    virtual void NewPage();
    // A shape: a shape control, a side of a frame, or a filled background.
    virtual void AcceptShape(double xOffset, double yOffset, const TVRShapeGraphic& shape);
    // A picture control.
    virtual void AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control);
    virtual void AcceptTextControl(TVRPrintable& control);
    virtual void AcceptBand(TVRCustomBand& band);
    virtual void TextOut(double x, double y, const TVRFont& font, TColor bgColor,
                         TAlignment alignment, const QString& text);
    virtual void TextOutRec(const TExportInfoRec& exportInfo);

    bool Active() const { return FActive; }
    // True once a Finish found its run cancelled and so wrote nothing.
    bool Cancelled() const { return FCancelled; }
    QString FileName() const { return FFilename; }
    TCustomVRReport* Owner() const { return FOwner; }
    void SetOwner(TCustomVRReport* owner) { FOwner = owner; }
    void SetDeviceUnits(const TVRDeviceUnits& units) { FDeviceUnits = units; }
    // A native position in device pixels of the run's page printer; screen pixels for
    // a filter no run has given its units (one driven by hand).
    int DeviceX(double native) const {
        return FDeviceUnits ? Round((native - FDeviceUnits->LeftWaste) * FDeviceUnits->XFactor)
                            : Round(native * ScreenDPI / 254.0);
    }
    int DeviceY(double native) const {
        return FDeviceUnits ? Round((native - FDeviceUnits->TopWaste) * FDeviceUnits->YFactor)
                            : Round(native * ScreenDPI / 254.0);
    }
    double DeviceXFactor() const { return FDeviceUnits ? FDeviceUnits->XFactor : ScreenDPI / 254.0; }
    double DeviceYFactor() const { return FDeviceUnits ? FDeviceUnits->YFactor : ScreenDPI / 254.0; }

protected:
    std::optional<TVRDeviceUnits> FDeviceUnits;
    bool FActive = false;
    bool FCancelled = false;
    QString FFilename;
    TCustomVRReport* FOwner = nullptr;
    // Free for the filter's own use (typically its output lines).
    QStringList finalDoc;
};

// Hands a filter a solid rectangle of `color` over a device rectangle (band, text and
// page backgrounds), without an outline.
void ExportFilledRectangle(TVRExportFilter& filter, const TRect& rect, TColor color);

// A filter class as the library keeps it: its name and how to make one for a file.
struct TVRExportFilterClass {
    QString ClassName;
    std::function<std::unique_ptr<TVRExportFilter>(const QString& fileName)> Create;

    template <class Filter>
    static TVRExportFilterClass Of(const QString& className) {
        return {className, [](const QString& fileName) -> std::unique_ptr<TVRExportFilter> {
                    return std::make_unique<Filter>(fileName);
                }};
    }
};

struct TVRExportFilterLibraryEntry {
    TVRExportFilterClass FExportFilterClass;
    QString FName;       // the filter's GetFilterName
    QString FExtension;  // the filter's GetExtension, without a dot
};

// The native report file in the save and load dialogs.
inline const QString VRReportFileDescription = QStringLiteral("Vialar report file");
inline const QString VRReportFileExtension = QStringLiteral("VRP");

// The export formats the program knows, in the order the save dialog offers them.
// A filter registers when its settings component is created and removes itself when
// that component is destroyed.
class TVRExportFilterLibrary {
public:
    // Adds the class unless a class of that name is registered already.
    void AddFilter(const TVRExportFilterClass& filterClass);
    template <class Filter>
    void AddFilter(const QString& className) {
        AddFilter(TVRExportFilterClass::Of<Filter>(className));
    }
    // Removes the first entry named as the class's filter.
    void RemoveFilter(const TVRExportFilterClass& filterClass);
    template <class Filter>
    void RemoveFilter(const QString& className) {
        RemoveFilter(TVRExportFilterClass::Of<Filter>(className));
    }

    // The first entry whose extension equals `extension` ignoring case; none without.
    const TVRExportFilterLibraryEntry* GetFilterByExtension(const QString& extension) const;
    // The save dialog's file types: the native file first, then every entry.
    QString GetSaveDialogFilter() const;

    const QList<TVRExportFilterLibraryEntry>& Filters() const { return FFilters; }
    int Count() const { return int(FFilters.size()); }

private:
    QList<TVRExportFilterLibraryEntry> FFilters;
};

// The process-wide filter library.
TVRExportFilterLibrary& VRExportFilterLibrary();

// The save types the preview can default to, and their default extensions.
enum TPrevSaveType { stVRP, stPDF, stXL, stHTML, stRTF, stCSV, stASCII, stXML, stXLSX };
// ".VRP", ".PDF", ".XLS", ".HTML", ".RTF", ".CSV", ".TXT", ".XML", ".XLSX".
QString SaveTypeExtension(TPrevSaveType saveType);
