#include "report_engine/controls/TVRSysData.h"

#include <QDateTime>

#include "core/FormatSettings.h"
#include "report_engine/model/TVRReport.h"

QString TVRSysData::GetCaptionBased() {
    const TCustomVRReport* report = FReport ? FReport : ParentReport();
    const QDateTime now = QDateTime::currentDateTime();
    QString value;
    switch (Data) {
        case vrsTime:
            value = FormatDateTime(QStringLiteral("t"), now);
            break;
        case vrsDate:
            value = FormatDateTime(QStringLiteral("c"), QDateTime(now.date(), QTime(0, 0)));
            break;
        case vrsDateTime:
            value = FormatDateTime(QStringLiteral("c"), now);
            break;
        case vrsPageNumber:
            value = report ? QString::number(report->PageCount()) : QString();
            break;
        case vrsReportTitle:
            value = report ? report->ReportTitle : QString();
            break;
        case vrsDetailCount:
            value = report ? QString::number(report->RecordCount()) : QString();
            break;
        case vrsDetailNo:
            value = report ? QString::number(report->DetailNumber()) : QString();
            break;
    }
    return Text + value;
}
