#include "report_engine/ui/TVRProgressForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/printer/TVRPrinterOwner.h"

class TVRProgressForm::Dialog : public QDialog {
public:
    Dialog(TVRProgressForm& form, const QString& caption, QWidget* parent)
        : QDialog(parent), FForm(form) {
        setObjectName(QStringLiteral("VRProgressForm"));
        setWindowTitle(caption);
        Gauge = new QProgressBar(this);
        Gauge->setRange(0, 100);
        Gauge->setValue(0);
        Info = new QLabel(this);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setObjectName(QStringLiteral("CancelButton"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Gauge);
        layout->addWidget(Info);
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
        connect(cancel, &QPushButton::clicked, this, [this] { FForm.CancelClick(); });
    }

    QProgressBar* Gauge;
    QLabel* Info;

    // Escape and the close box cancel the run as well: a hidden window would leave
    // nothing to stop it with.
    void reject() override { FForm.CancelClick(); }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        FForm.CancelClick();
    }

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
    : FWindow(new Dialog(*this, caption, QApplication::activeModalWidget())),
      FPrinter(printer),
      FPreviousClient(printer.Client()),
      FReport(report) {
    FPrinter.SetClient(FWindow.data());
}

TVRProgressForm::~TVRProgressForm() {
    if (FWindow && FPrinter.Client() == FWindow.data()) FPrinter.SetClient(FPreviousClient);
    delete FWindow.data();
}

void TVRProgressForm::Show() {
    if (FWindow) FWindow->show();
}
void TVRProgressForm::ShowAfter(int milliseconds) {
    if (FWindow) QTimer::singleShot(milliseconds, FWindow.data(), [this] { Show(); });
}
void TVRProgressForm::Hide() {
    if (FWindow) FWindow->hide();
}
QWidget* TVRProgressForm::Window() const {
    return FWindow.data();
}
int TVRProgressForm::Position() const {
    return FWindow ? FWindow->Gauge->value() : 0;
}
QString TVRProgressForm::Info() const {
    return FWindow ? FWindow->Info->text() : QString();
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
