#pragma once

// TFrm_PorGeral: the filter dialog of the street listing. The user types up to seven
// filter values (Tab and Enter move through the buttons and every box) and presses
// "Visualizar", which runs the listing with an
// empty box standing for "0" (no filter) and a description of the filters typed. The
// dialog stays open with its values until "Fechar".

#include <QDialog>

class QKeyEvent;
class QLabel;
class QPushButton;
class TEdit;
class TKeyPreview;

class TFrm_PorGeral : public QDialog {
    Q_OBJECT

public:
    explicit TFrm_PorGeral(QWidget* owner = nullptr);
    ~TFrm_PorGeral() override;

    TEdit* LLei = nullptr;
    TEdit* LAno = nullptr;
    TEdit* LTipo = nullptr;
    TEdit* LNome = nullptr;
    TEdit* LTitulo = nullptr;
    TEdit* LUsual = nullptr;
    TEdit* LLocal = nullptr;
    QPushButton* Botao_Novo = nullptr;    // "Visualizar"
    QPushButton* Botao_Fechar = nullptr;  // "Fechar"

    // Runs the listing chosen by Relatorio with the typed filters; both buttons stay
    // disabled while it runs and come back also after an error, which then goes on.
    // Meanwhile Escape and the close box leave the dialog open: the listing's host
    // belongs to it.
    void Botao_NovoClick();
    void Botao_FecharClick();
    // Enter moves the focus on, as Tab does.
    bool FormKeyDown(QKeyEvent& key);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    TKeyPreview* FKeyPreview = nullptr;
    bool FRunning = false;
};

// The dialog while it is open; none otherwise.
extern TFrm_PorGeral* Frm_PorGeral;
