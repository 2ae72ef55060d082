#pragma once

#include "report_engine/controls/TVRLabel.h"

enum TVRSysDataType {
    vrsTime,
    vrsDate,
    vrsDateTime,
    vrsPageNumber,
    vrsReportTitle,
    vrsDetailCount,
    vrsDetailNo
};

// A text control showing a value of the run (page number, date, time, title, counts)
// after the prefix Text.
class TVRSysData : public TVRCustomLabel {
    Q_OBJECT

public:
    explicit TVRSysData(QObject* parent = nullptr) : TVRCustomLabel(parent) {}

    TVRSysDataType Data = vrsTime;
    QString Text;

protected:
    QString GetCaptionBased() override;
};
