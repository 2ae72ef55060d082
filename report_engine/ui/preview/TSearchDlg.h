#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The preview's "Search for Text" dialog: the text to find and whether case matters.
class TSearchDlg : public QDialog {
public:
    explicit TSearchDlg(QWidget* parent = nullptr);

    QString SearchText() const;
    void SetSearchText(const QString& text);
    bool MatchCase() const;
    void SetMatchCase(bool matchCase);

    QLineEdit* Edit() const { return FEdit; }
    QPushButton* SearchButton() const { return FSearch; }
    QPushButton* CancelButton() const { return FCancel; }

private:
    QLineEdit* FEdit;
    QCheckBox* FMatchCase;
    QPushButton* FSearch;
    QPushButton* FCancel;
};
