#pragma once

// TFrm_Logradouros: the street registry window. Two pages: "Cadastro" shows one street
// in eleven boxes with the record commands; "Pesquisa" lists every street in a grid
// that is searched as the user types.
//
// The record page's look follows the state of the record being shown (browse, insert,
// edit) through one presentation refresh, run after every command. Which boxes the
// refresh and the required-fields check touch is decided by the boxes' names: a name
// beginning with "K" is editable only while inserting, one beginning with "C" while
// inserting or changing, and one ending with "J" must be filled in (all without regard
// to case).

#include <QDialog>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTabWidget;
class TDBEdit;
class TDBGrid;
class TDataSource;
class TEdit;
class TKeyPreview;
class TLabel;
class TSQLQuery;

class TFrm_Logradouros : public QDialog {
    Q_OBJECT

public:
    // Creates the window and runs FormCreate; an error there goes to the standard error
    // display and the window is still created.
    explicit TFrm_Logradouros(QWidget* owner = nullptr);
    ~TFrm_Logradouros() override;

    QTabWidget* PageControl1 = nullptr;

    // Record page.
    QWidget* TabCadastro = nullptr;
    TDBEdit* ddd = nullptr;  // I_ID, always read-only
    TDBEdit* C1 = nullptr;   // PLEI
    TDBEdit* C2 = nullptr;   // PANO
    TDBEdit* C3J = nullptr;  // LEI, required
    TDBEdit* C4J = nullptr;  // ANO, required
    TDBEdit* C5 = nullptr;   // TIPO
    TDBEdit* C6J = nullptr;  // NOME, required; leaving it runs the duplicate check
    TDBEdit* C8 = nullptr;   // TITULO
    TDBEdit* C7 = nullptr;   // NOME_USUAL
    TDBEdit* C9 = nullptr;   // LOCALIZACAO
    TDBEdit* C10 = nullptr;  // OBSERVACAO
    QPushButton* Botao_Novo = nullptr;
    QPushButton* Botao_Salvar = nullptr;
    QPushButton* Botao_Alterar = nullptr;
    QPushButton* Botao_Cancelar = nullptr;
    QPushButton* Botao_Excluir = nullptr;
    QPushButton* Botao_Fechar = nullptr;
    // Hidden parts: the title's source and two commands other code clicks.
    QLabel* Titulo = nullptr;
    QPushButton* Botao_AtivaDesativa = nullptr;  // the presentation refresh
    QPushButton* Botao_Obrigatorios = nullptr;   // the required-fields check

    // Search page.
    QWidget* TabPesquisaS = nullptr;
    QLabel* LProcura = nullptr;
    QLabel* Label3 = nullptr;
    TLabel* Clique1 = nullptr;  // "Clique aqui!": reloads the list
    TEdit* Procura = nullptr;
    TDBGrid* DBGrid1 = nullptr;

    // Non-visual parts.
    TDataSource* dsDados = nullptr;
    TDataSource* dsPesquisa = nullptr;
    TSQLQuery* sqlBusca = nullptr;  // the duplicate check

    // Window handlers.
    void FormCreate();
    void FormShow();
    void TabCadastroShow();
    bool FormKeyDown(QKeyEvent& key);
    void Botao_AtivaDesativaClick();

    // Record commands and checks.
    void Botao_NovoClick();
    void Botao_AlterarClick();
    void Botao_SalvarClick();
    void Botao_CancelarClick();
    void Botao_ExcluirClick();
    void Botao_ObrigatoriosClick();
    void C6JExit();

    // Search page.
    void TabPesquisaSShow();
    void DBGrid1TitleClick(int column);
    void ProcuraChange();
    void DBGrid1DblClick();
    bool ProcuraKeyDown(QKeyEvent& key);
    bool DBGrid1KeyDown(QKeyEvent& key);
    void Clique1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateRecordPage();
    void CreateSearchPage();
    bool Editing() const;
    void Refresh();
    void FocusNovo();
    // Names and descriptions for assistive technology.
    void DescribeControls();

    TKeyPreview* FKeyPreview = nullptr;
};

// The registry window while it is open; none otherwise.
extern TFrm_Logradouros* Frm_Logradouros;
