#include "report_engine/ui/TVRProgressForm.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/printer/TVRPrinterOwner.h"

class TVRProgressForm::Dialog : public QDialog {
public:
    explicit Dialog(TVRProgressForm& form, const QString& caption) : FForm(form) {
        setWindowTitle(caption);
        Gauge = new QProgressBar(this);
        Gauge->setRange(0, 100);
        Gauge->setValue(0);
        Info = new QLabel(this);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Gauge);
        layout->addWidget(Info);
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
        connect(cancel, &QPushButton::clicked, this, [this] { FForm.CancelClick(); });
    }

    QProgressBar* Gauge;
    QLabel* Info;

protected:
    bool event(QEvent* event) override {
        if (event->type() == TVRPrinterNotification::ProgressType()) {
            const int percent = static_cast<TVRPrinterNotification*>(event)->Value();
            if (percent % 5 == 0) {
                Gauge->setValue(percent);
                Info->setText(QString::number(percent) + QStringLiteral("% ") +
                              QStringLiteral(" Completed"));
            }
            return true;
        }
        return QDialog::event(event);
    }

private:
    TVRProgressForm& FForm;
};

TVRProgressForm::TVRProgressForm(TVRPrinter& printer, TVRPrinterOwner* report,
                                 const QString& caption)
    : FWindow(std::make_unique<Dialog>(*this, caption)),
      FPrinter(printer),
      FPreviousClient(printer.Client()),
      FReport(report) {
    FPrinter.SetClient(FWindow.get());
}

TVRProgressForm::~TVRProgressForm() {
    if (FPrinter.Client() == FWindow.get()) FPrinter.SetClient(FPreviousClient);
}

void TVRProgressForm::Show() {
    FWindow->show();
}
void TVRProgressForm::Hide() {
    FWindow->hide();
}
QWidget* TVRProgressForm::Window() const {
    return FWindow.get();
}
int TVRProgressForm::Position() const {
    return FWindow->Gauge->value();
}
QString TVRProgressForm::Info() const {
    return FWindow->Info->text();
}

void TVRProgressForm::CancelClick() {
    if (FReport) FReport->CancelByUser();
    FPrinter.Cancel();
}

void InstallProgressWindow() {
    TVRProgressDisplay::SetMaker(
        [](TVRPrinter& printer, TVRPrinterOwner* report, const QString& caption) {
            return std::make_unique<TVRProgressForm>(printer, report, caption);
        });
}
