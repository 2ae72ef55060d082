#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "report_engine/printer/TVRProgressDisplay.h"

class QWidget;
class TVRPrinter;
class TVRPrinterOwner;

// The progress window of a print or export run: a gauge, an information label and a
// Cancel button. It becomes the page printer's client while it exists and follows the
// posted progress notifications in steps of 5 percent; Cancel (or closing the window)
// stops the report (UserCancel) and cancels the page printer. It belongs to the modal
// window that is up when it is made (the preview, the filter dialog), so that the
// modal window does not block its Cancel. The printer and the report reach it only
// through TVRProgressDisplay, once InstallProgressWindow has been called.
class TVRProgressForm : public TVRProgressDisplay {
public:
    TVRProgressForm(TVRPrinter& printer, TVRPrinterOwner* report,
                    const QString& caption = QStringLiteral("Printing progress"));
    ~TVRProgressForm() override;

    void Show() override;
    void ShowAfter(int milliseconds) override;
    void Hide() override;

    QWidget* Window() const;
    // Gauge position in percent and the information text.
    int Position() const;
    QString Info() const;
    // What the Cancel button does.
    void CancelClick();

private:
    class Dialog;
    // Also deleted by its parent window, should that go first.
    QPointer<Dialog> FWindow;
    TVRPrinter& FPrinter;
    QPointer<QObject> FPreviousClient;
    TVRPrinterOwner* FReport;
};

// Makes every later print or export run show a TVRProgressForm (the program and the
// test programs call it once at start).
void InstallProgressWindow();
