#include "report_engine/ui/preview/TSearchDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSearchDlg::TSearchDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SearchDlg"));
    setWindowTitle(QStringLiteral("Search for Text"));
    auto* label = new QLabel(QStringLiteral("Search Text"), this);
    FEdit = new QLineEdit(this);
    FEdit->setObjectName(QStringLiteral("SearchEdit"));
    label->setBuddy(FEdit);
    FMatchCase = new QCheckBox(QStringLiteral("Match case"), this);
    FMatchCase->setObjectName(QStringLiteral("MatchCase"));
    FSearch = new QPushButton(QStringLiteral("Search"), this);
    FSearch->setObjectName(QStringLiteral("SearchButton"));
    FSearch->setDefault(true);
    FCancel = new QPushButton(QStringLiteral("Cancel"), this);
    FCancel->setObjectName(QStringLiteral("CancelButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FSearch);
    buttons->addWidget(FCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(FEdit);
    layout->addWidget(FMatchCase);
    layout->addLayout(buttons);

    connect(FSearch, &QPushButton::clicked, this, &QDialog::accept);
    connect(FCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TSearchDlg::SearchText() const {
    return FEdit->text();
}
void TSearchDlg::SetSearchText(const QString& text) {
    FEdit->setText(text);
}
bool TSearchDlg::MatchCase() const {
    return FMatchCase->isChecked();
}
void TSearchDlg::SetMatchCase(bool matchCase) {
    FMatchCase->setChecked(matchCase);
}
