#include "report_engine/export/TVRExportFilter.h"

TVRExportFilter::TVRExportFilter(const QString& fileName) : FFilename(fileName) {}

TVRExportFilter::~TVRExportFilter() = default;

QString TVRExportFilter::GetDescription() {
    return QStringLiteral("Abstract non-working export filter");
}
QString TVRExportFilter::GetExtension() {
    return QString();
}
QString TVRExportFilter::GetFilterName() {
    return QStringLiteral("Abstract filter");
}
QString TVRExportFilter::GetVendorName() {
    return QStringLiteral("Vialar");
}
bool TVRExportFilter::GetStreaming() {
    return false;
}
void TVRExportFilter::Start(int, int, const TVRFont&) {
    FActive = true;
}
void TVRExportFilter::EndPage() {}
void TVRExportFilter::Finish() {
    FActive = false;
}
void TVRExportFilter::NewPage() {}
void TVRExportFilter::AcceptShape(double, double, const TVRShapeGraphic&) {}
void TVRExportFilter::AcceptGraphic(double, double, TVRPrintable&) {}
void TVRExportFilter::AcceptTextControl(TVRPrintable&) {}
void TVRExportFilter::AcceptBand(TVRCustomBand&) {}
void TVRExportFilter::TextOut(double, double, const TVRFont&, TColor, TAlignment, const QString&) {}
void TVRExportFilter::TextOutRec(const TExportInfoRec&) {}

void TVRExportFilterLibrary::AddFilter(const TVRExportFilterClass& filterClass) {
    for (const TVRExportFilterLibraryEntry& entry : FFilters)
        if (entry.FExportFilterClass.ClassName == filterClass.ClassName) return;
    const std::unique_ptr<TVRExportFilter> sample = filterClass.Create(QString());
    FFilters.append({filterClass, sample->GetFilterName(), sample->GetExtension()});
}

void TVRExportFilterLibrary::RemoveFilter(const TVRExportFilterClass& filterClass) {
    const QString name = filterClass.Create(QString())->GetFilterName();
    for (qsizetype i = 0; i < FFilters.size(); ++i) {
        if (FFilters[i].FName == name) {
            FFilters.removeAt(i);
            return;
        }
    }
}

const TVRExportFilterLibraryEntry* TVRExportFilterLibrary::GetFilterByExtension(
    const QString& extension) const {
    for (const TVRExportFilterLibraryEntry& entry : FFilters)
        if (entry.FExtension.compare(extension, Qt::CaseInsensitive) == 0) return &entry;
    return nullptr;
}

QString TVRExportFilterLibrary::GetSaveDialogFilter() const {
    QString filter = VRReportFileDescription + QStringLiteral("(*.") + VRReportFileExtension +
                     QStringLiteral(")|*.") + VRReportFileExtension;
    for (const TVRExportFilterLibraryEntry& entry : FFilters)
        filter += QStringLiteral("|") + entry.FName + QStringLiteral(" (*.") + entry.FExtension +
                  QStringLiteral(")|*.") + entry.FExtension;
    return filter;
}

TVRExportFilterLibrary& VRExportFilterLibrary() {
    static TVRExportFilterLibrary library;
    return library;
}

QString SaveTypeExtension(TPrevSaveType saveType) {
    static const char* const extensions[] = {".VRP", ".PDF", ".XLS", ".HTML", ".RTF",
                                             ".CSV", ".TXT", ".XML", ".XLSX"};
    return QString::fromLatin1(extensions[saveType]);
}

void ExportFilledRectangle(TVRExportFilter& filter, const TRect& rect, TColor color) {
    filter.AcceptShape(rect.Left, rect.Top, TVRShapeGraphic::Fill(rect, color));
}
