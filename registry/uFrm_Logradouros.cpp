#include "registry/uFrm_Logradouros.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "core/Colors.h"
#include "core/Exception.h"
#include "core/Messages.h"
#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "registry/StreetRules.h"
#include "registry/udmLogradouros.h"
#include "toolkit/AccessibleTexts.h"
#include "toolkit/TComponents.h"
#include "toolkit/TDBEdit.h"
#include "toolkit/TDBGrid.h"
#include "toolkit/TDataSource.h"
#include "toolkit/TEdit.h"
#include "toolkit/TFocusOutline.h"
#include "toolkit/TKeyPreview.h"
#include "toolkit/TLabel.h"
#include "toolkit/WindowFonts.h"

TFrm_Logradouros* Frm_Logradouros = nullptr;

namespace {

// A save that failed because the link to the database server went.
const QString kConnectionLost = QStringLiteral(
    "Atenção, a conexão com o banco de dados foi perdida e o registro não foi "
    "salvo. Tente salvar novamente!");

constexpr int kClientWidth = 705;
constexpr int kClientHeight = 365;
constexpr int kBoxHeight = 20;
constexpr int kButtonTop = 283;
constexpr int kButtonWidth = 89;
constexpr int kButtonHeight = 36;
constexpr int kGridHeight = 295;

const QString kTitleInserting = QStringLiteral("Incluindo");
const QString kTitleEditing = QStringLiteral("Alterando");

// The buttons' glyphs: small drawings, one per command, in the usual colours of such
// commands. The disabled look is derived by the style.
enum class Glyph { New, Save, Change, Cancel, Delete, Close };

QIcon DrawGlyph(Glyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
        case Glyph::New:  // a sheet with a plus
            painter.setPen(QPen(Qt::darkGray, 1));
            painter.setBrush(Qt::white);
            painter.drawRect(QRectF(2.5, 1.5, 10, 13));
            painter.setPen(QPen(QColor(0, 128, 0), 2.5));
            painter.drawLine(QPointF(11, 7), QPointF(11, 15));
            painter.drawLine(QPointF(7, 11), QPointF(15, 11));
            break;
        case Glyph::Save:  // a diskette
            painter.setPen(QPen(QColor(0, 0, 128), 1));
            painter.setBrush(QColor(40, 70, 160));
            painter.drawRect(QRectF(1.5, 1.5, 13, 13));
            painter.setBrush(Qt::white);
            painter.drawRect(QRectF(4.5, 1.5, 7, 5));
            painter.setBrush(QColor(200, 200, 200));
            painter.drawRect(QRectF(4.5, 9.5, 7, 5));
            break;
        case Glyph::Change:  // a pencil
            painter.setPen(QPen(QColor(120, 80, 0), 1));
            painter.setBrush(QColor(240, 190, 40));
            painter.drawPolygon(QPolygonF{QPointF(3, 15), QPointF(2, 12), QPointF(11, 2),
                                          QPointF(14, 5), QPointF(5, 14)});
            break;
        case Glyph::Cancel:  // a red cross
            painter.setPen(QPen(QColor(200, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(3, 3), QPointF(13, 13));
            painter.drawLine(QPointF(13, 3), QPointF(3, 13));
            break;
        case Glyph::Delete:  // a bin
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(QColor(160, 160, 160));
            painter.drawRect(QRectF(3.5, 4.5, 9, 10));
            painter.drawRect(QRectF(2.5, 2.5, 11, 2));
            painter.drawLine(QPointF(6.5, 6), QPointF(6.5, 13));
            painter.drawLine(QPointF(9.5, 6), QPointF(9.5, 13));
            break;
        case Glyph::Close:  // an open door
            painter.setPen(QPen(QColor(90, 50, 10), 1));
            painter.setBrush(QColor(150, 90, 40));
            painter.drawRect(QRectF(3.5, 1.5, 9, 13));
            painter.setBrush(QColor(60, 140, 60));
            painter.drawPolygon(
                QPolygonF{QPointF(12, 1.5), QPointF(7, 3.5), QPointF(7, 15), QPointF(12, 14.5)});
            break;
    }
    return QIcon(pixmap);
}

QLabel* CreateLabel(QWidget* page, const QString& name, const QString& caption, int left, int top,
                    const QFont& font) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(name);
    label->setFont(font);
    label->setAutoFillBackground(false);  // transparent over the page
    label->adjustSize();
    label->move(left, top);
    return label;
}

TDBEdit* CreateBox(QWidget* page, const QString& name, TDataSource* source, const QString& field,
                   int left, int top, int width, TColor color) {
    auto* box = new TDBEdit(page);
    box->setObjectName(name);
    box->SetDataSource(source);
    box->SetDataField(field);
    box->setGeometry(left, top, width, kBoxHeight);
    box->setFont(ArialFont(true));
    box->SetCharCase(TEditCharCase::UpperCase);
    box->SetColor(color);
    QPalette colours = box->palette();
    colours.setColor(QPalette::Text, Qt::black);
    box->setPalette(colours);
    return box;
}

QPushButton* CreateButton(QWidget* page, const QString& name, const QString& caption, int left,
                          Glyph glyph) {
    auto* button = new QPushButton(caption, page);
    button->setObjectName(name);
    button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
    button->setFont(ArialFont(true));
    button->setIcon(DrawGlyph(glyph));
    button->setLayoutDirection(Qt::RightToLeft);  // glyph to the right of the caption
    button->setCursor(Qt::PointingHandCursor);
    // Enter is the window's key (next control), never a dialog's default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// The first and last letters of a box's name decide its role (see the header).
bool NameStartsWith(const QObject& box, QChar letter) {
    return box.objectName().startsWith(letter, Qt::CaseInsensitive);
}

bool NameEndsWith(const QObject& box, QChar letter) {
    return box.objectName().endsWith(letter, Qt::CaseInsensitive);
}

}  // namespace

TFrm_Logradouros::TFrm_Logradouros(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Frm_Logradouros"));
    // A single fixed border with a title bar and no border icons: no close box, no
    // system menu.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SansSerifFont());
    setWindowTitle(QStringLiteral("Titulo"));  // replaced by FormCreate

    dsDados = new TDataSource(this);
    dsDados->setObjectName(QStringLiteral("dsDados"));
    dsDados->SetAutoEdit(false);
    dsPesquisa = new TDataSource(this);
    dsPesquisa->setObjectName(QStringLiteral("dsPesquisa"));
    dsPesquisa->SetAutoEdit(false);
    sqlBusca = new TSQLQuery(this);
    sqlBusca->SetName(QStringLiteral("sqlBusca"));
    sqlBusca->SetSQLConnection(dmPrincipal ? dmPrincipal->TorvaneConnection : nullptr);
    sqlBusca->SetMaxBlobSize(-1);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setFont(SansSerifFont(true));
    PageControl1->setGeometry(0, 0, kClientWidth, kClientHeight);
    CreateRecordPage();
    CreateSearchPage();
    DescribeControls();
    PageControl1->setCurrentWidget(TabCadastro);

    FKeyPreview = new TKeyPreview(this, [this](QKeyEvent& key) { return FormKeyDown(key); });

    RunCommand([this] { FormCreate(); });
}

TFrm_Logradouros::~TFrm_Logradouros() {
    if (Frm_Logradouros == this) Frm_Logradouros = nullptr;
}

void TFrm_Logradouros::CreateRecordPage() {
    TabCadastro = new QWidget;
    TabCadastro->setObjectName(QStringLiteral("TabCadastro"));
    PageControl1->addTab(TabCadastro, QStringLiteral("Cadastro"));
    TabCadastro->installEventFilter(this);

    struct BoxDesign {
        TDBEdit** box;
        const char* name;
        const char* field;
        const char* caption;
        int labelLeft, labelTop, left, top, width;
        TColor color;
    };
    const BoxDesign boxes[] = {
        {&ddd, "ddd", "I_ID", "Código", 94, 18, 94, 33, 100, clSilver},
        {&C1, "C1", "PLEI", "Projeto de Lei", 94, 60, 94, 75, 110, clSkyBlue},
        {&C2, "C2", "PANO", "Ano", 207, 60, 207, 75, 110, clSkyBlue},
        {&C3J, "C3J", "LEI", "Lei", 384, 60, 384, 75, 110, clSkyBlue},
        {&C4J, "C4J", "ANO", "Ano", 497, 60, 497, 75, 110, clSkyBlue},
        {&C5, "C5", "TIPO", "Tipo", 94, 99, 94, 114, 110, clSkyBlue},
        {&C6J, "C6J", "NOME", "Nome", 207, 99, 207, 114, 400, clSkyBlue},
        {&C8, "C8", "TITULO", "Título", 94, 138, 94, 153, 110, clSkyBlue},
        {&C7, "C7", "NOME_USUAL", "Nome Usual", 207, 138, 207, 153, 400, clSkyBlue},
        {&C9, "C9", "LOCALIZACAO", "Localização", 94, 178, 94, 194, 513, clSkyBlue},
        {&C10, "C10", "OBSERVACAO", "Observação", 94, 218, 94, 233, 513, clSkyBlue},
    };
    int labelNumber = 1;
    for (const BoxDesign& design : boxes) {
        CreateLabel(TabCadastro, QStringLiteral("Label%1").arg(labelNumber++),
                    QString::fromUtf8(design.caption), design.labelLeft, design.labelTop,
                    ArialFont(true));
        *design.box = CreateBox(TabCadastro, QString::fromLatin1(design.name), dsDados,
                                QString::fromLatin1(design.field), design.left, design.top,
                                design.width, design.color);
    }
    ddd->setReadOnly(true);
    ddd->setFocusPolicy(Qt::ClickFocus);  // no tab stop
    C6J->OnExit = [this] { C6JExit(); };

    Botao_Novo = CreateButton(TabCadastro, QStringLiteral("Botao_Novo"), QStringLiteral("&Novo"),
                              65, Glyph::New);
    Botao_Salvar = CreateButton(TabCadastro, QStringLiteral("Botao_Salvar"),
                                QStringLiteral("&Salvar"), 163, Glyph::Save);
    Botao_Alterar = CreateButton(TabCadastro, QStringLiteral("Botao_Alterar"),
                                 QStringLiteral("&Alterar"), 259, Glyph::Change);
    Botao_Cancelar = CreateButton(TabCadastro, QStringLiteral("Botao_Cancelar"),
                                  QStringLiteral("&Cancelar"), 355, Glyph::Cancel);
    Botao_Excluir = CreateButton(TabCadastro, QStringLiteral("Botao_Excluir"),
                                 QStringLiteral("&Excluir"), 451, Glyph::Delete);
    Botao_Fechar = CreateButton(TabCadastro, QStringLiteral("Botao_Fechar"),
                                QStringLiteral("&Fechar"), 547, Glyph::Close);

    Titulo = new QLabel(QStringLiteral("Logradouros"), TabCadastro);
    Titulo->setObjectName(QStringLiteral("Titulo"));
    Titulo->hide();
    Botao_AtivaDesativa = new QPushButton(QStringLiteral("Ativa/Desativa Campos"), TabCadastro);
    Botao_AtivaDesativa->setObjectName(QStringLiteral("Botao_AtivaDesativa"));
    Botao_AtivaDesativa->hide();
    Botao_Obrigatorios = new QPushButton(QStringLiteral("Campos Obrigatórios"), TabCadastro);
    Botao_Obrigatorios->setObjectName(QStringLiteral("Botao_Obrigatorios"));
    Botao_Obrigatorios->hide();
    for (QPushButton* hidden : {Botao_AtivaDesativa, Botao_Obrigatorios}) {
        hidden->setAutoDefault(false);
        hidden->setFocusPolicy(Qt::NoFocus);
    }

    // Every command runs through the standard error display: an error it does not
    // handle itself ends the command and the window carries on.
    const auto bind = [this](QPushButton* button, void (TFrm_Logradouros::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    };
    bind(Botao_Novo, &TFrm_Logradouros::Botao_NovoClick);
    bind(Botao_Salvar, &TFrm_Logradouros::Botao_SalvarClick);
    bind(Botao_Alterar, &TFrm_Logradouros::Botao_AlterarClick);
    bind(Botao_Cancelar, &TFrm_Logradouros::Botao_CancelarClick);
    bind(Botao_Excluir, &TFrm_Logradouros::Botao_ExcluirClick);
    bind(Botao_AtivaDesativa, &TFrm_Logradouros::Botao_AtivaDesativaClick);
    bind(Botao_Obrigatorios, &TFrm_Logradouros::Botao_ObrigatoriosClick);
    connect(Botao_Fechar, &QPushButton::clicked, this, &QDialog::close);

    // Tab order: the ten boxes, then Salvar before Novo, then the others.
    const QList<QWidget*> tabOrder{C1,
                                   C2,
                                   C3J,
                                   C4J,
                                   C5,
                                   C6J,
                                   C8,
                                   C7,
                                   C9,
                                   C10,
                                   Botao_Salvar,
                                   Botao_Novo,
                                   Botao_Alterar,
                                   Botao_Cancelar,
                                   Botao_Excluir,
                                   Botao_Fechar};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

// The boxes' labels are separate widgets, and two of them read "Ano": each box gets a
// name of its own, and the required ones say so.
void TFrm_Logradouros::DescribeControls() {
    SetAccessibleTexts({
        {ddd, "Código", "Somente leitura"},
        {C1, "Projeto de Lei", ""},
        {C2, "Ano do projeto de lei", ""},
        {C3J, "Lei", "Obrigatório"},
        {C4J, "Ano da lei", "Obrigatório"},
        {C5, "Tipo", ""},
        {C6J, "Nome", "Obrigatório"},
        {C8, "Título", ""},
        {C7, "Nome Usual", ""},
        {C9, "Localização", ""},
        {C10, "Observação", ""},
        {Procura, "Valor procurado",
         "Procura na coluna escolhida à medida que se digita; Enter abre o logradouro"},
        {DBGrid1, "Lista dos logradouros",
         "Clique no título de uma coluna para procurar por ela; Enter abre o logradouro"},
        {Clique1, "Atualizar a lista", "Recarrega a lista dos logradouros"},
    });
}

void TFrm_Logradouros::CreateSearchPage() {
    TabPesquisaS = new QWidget;
    TabPesquisaS->setObjectName(QStringLiteral("TabPesquisaS"));
    PageControl1->addTab(TabPesquisaS, QStringLiteral("Pesquisa"));
    TabPesquisaS->installEventFilter(this);

    LProcura = CreateLabel(TabPesquisaS, QStringLiteral("LProcura"), QStringLiteral("Valor"), 5, 0,
                           SansSerifFont(true));
    Label3 = CreateLabel(TabPesquisaS, QStringLiteral("Label3"), QStringLiteral("Atualizar"), 570,
                         0, SansSerifFont(true));
    Clique1 = new TLabel(QStringLiteral("Clique aqui!"), TabPesquisaS);
    Clique1->setObjectName(QStringLiteral("Clique1"));
    Clique1->setFont(SansSerifFont(true));
    QPalette linkColours = Clique1->palette();
    linkColours.setColor(QPalette::WindowText, ToQColor(clBlue));
    Clique1->setPalette(linkColours);
    Clique1->setCursor(Qt::PointingHandCursor);
    Clique1->adjustSize();
    Clique1->move(624, 0);
    Clique1->OnClick = [this] { Clique1Click(); };

    Procura = new TEdit(TabPesquisaS);
    Procura->setObjectName(QStringLiteral("Procura"));
    Procura->setGeometry(5, 16, 580, kBoxHeight);
    Procura->SetCharCase(TEditCharCase::UpperCase);
    Procura->SetColor(clSilver);
    Procura->setFont(ArialFont(true));
    QPalette boxColours = Procura->palette();
    boxColours.setColor(QPalette::Text, Qt::black);
    Procura->setPalette(boxColours);
    connect(Procura, &QLineEdit::textChanged, this,
            [this] { RunCommand([this] { ProcuraChange(); }); });
    Procura->OnKeyDown = [this](QKeyEvent& key) { return ProcuraKeyDown(key); };

    DBGrid1 = new TDBGrid(TabPesquisaS);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(0, 42, 697, kGridHeight);
    DBGrid1->setFont(ArialFont());
    DBGrid1->SetTitleFont(SansSerifFont(true));
    DBGrid1->SetTitleColor(clSilver);
    QPalette gridColours = DBGrid1->palette();
    gridColours.setColor(QPalette::Base, ToQColor(clWhite));
    gridColours.setColor(QPalette::Text, Qt::black);
    DBGrid1->setPalette(gridColours);
    DBGrid1->setFrameShape(QFrame::Box);  // flat
    // The selected row shows with or without focus, so the grid's edge shows the focus.
    new TFocusOutline(DBGrid1);
    DBGrid1->SetDataSource(dsPesquisa);
    struct ColumnDesign {
        const char* field;
        const char* title;
        int width;
    };
    const ColumnDesign columns[] = {
        {"I_ID", "Código", 100},
        {"PLEI", "Projeto de Lei", 100},
        {"PANO", "Ano", 60},
        {"LEI", "Lei", 100},
        {"ANO", "Ano", 60},
        {"TIPO", "Tipo", 100},
        {"NOME", "Nome", 300},
        {"TITULO", "Título", 100},
        {"NOME_USUAL", "Nome Usual", 300},
        {"LOCALIZACAO", "Localização", 300},
        {"OBSERVACAO", "Observação", 300},
    };
    for (const ColumnDesign& design : columns) {
        TColumn column;
        column.FieldName = QString::fromLatin1(design.field);
        column.Title = QString::fromUtf8(design.title);
        column.Width = design.width;
        column.Color = clSilver;
        DBGrid1->AddColumn(column);
    }
    DBGrid1->OnTitleClick = [this](int column) {
        RunCommand([this, column] { DBGrid1TitleClick(column); });
    };
    DBGrid1->OnDblClick = [this] { RunCommand([this] { DBGrid1DblClick(); }); };
    DBGrid1->OnKeyDown = [this](QKeyEvent& key) { return DBGrid1KeyDown(key); };

    setTabOrder(DBGrid1, Procura);
}

// ---------------------------------------------------------------------------------------
// Window handlers

void TFrm_Logradouros::FormCreate() {
    setWindowTitle(Titulo->text());
    dmLogradouros = new TdmLogradouros(this);
    dsDados->SetDataSet(dmLogradouros->cdsDados);
    dsPesquisa->SetDataSet(dmLogradouros->cdsPesquisa);
    dmLogradouros->loadRecord(1);
}

void TFrm_Logradouros::FormShow() {
    PageControl1->setCurrentWidget(TabCadastro);
    FocusNovo();
}

void TFrm_Logradouros::TabCadastroShow() {
    Refresh();
}

bool TFrm_Logradouros::FormKeyDown(QKeyEvent& key) {
    if (!IsEnterKey(key)) return false;
    // A focused button takes Enter as a click, as it takes the space bar.
    if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget())) {
        button->click();
        return true;
    }
    SelectNextControl(this);
    return false;  // the control the key was meant for still receives it
}

void TFrm_Logradouros::Botao_AtivaDesativaClick() {
    const TDataSetState state = dsDados->State();
    if (state != dsBrowse && state != dsInsert && state != dsEdit) return;
    const bool browsing = state == dsBrowse;
    const bool hasRecord = browsing && dmLogradouros->cdsDados->RecordCount() > 0;

    PageControl1->setTabVisible(PageControl1->indexOf(TabPesquisaS), browsing);
    Botao_Novo->setEnabled(browsing);
    Botao_Salvar->setEnabled(!browsing);
    Botao_Alterar->setEnabled(hasRecord);
    Botao_Cancelar->setEnabled(!browsing);
    Botao_Excluir->setEnabled(hasRecord);
    Botao_Fechar->setEnabled(browsing);
    if (state == dsInsert) {
        setWindowTitle(Titulo->text() + QStringLiteral(" - ") + kTitleInserting);
    } else if (state == dsEdit) {
        setWindowTitle(Titulo->text() + QStringLiteral(" - ") + kTitleEditing);
    } else {
        setWindowTitle(Titulo->text());
    }

    for (QObject* component : OwnedComponents(this)) {
        auto* box = qobject_cast<TDBEdit*>(component);
        if (!box) continue;
        bool editable;
        if (NameStartsWith(*box, QLatin1Char('K'))) {
            editable = state == dsInsert;
        } else if (NameStartsWith(*box, QLatin1Char('C'))) {
            editable = state == dsInsert || state == dsEdit;
        } else {
            continue;
        }
        box->SetColor(editable ? clSkyBlue : clSilver);
        box->setReadOnly(!editable);
    }
}

// ---------------------------------------------------------------------------------------
// Record commands

void TFrm_Logradouros::Refresh() {
    Botao_AtivaDesativa->click();
}

void TFrm_Logradouros::FocusNovo() {
    if (Botao_Novo->isEnabled() && Botao_Novo->isVisible()) Botao_Novo->setFocus();
}

bool TFrm_Logradouros::Editing() const {
    const TDataSetState state = dsDados->State();
    return state == dsInsert || state == dsEdit;
}

void TFrm_Logradouros::Botao_NovoClick() {
    dmLogradouros->cdsDados->Append();
    Refresh();
    C1->setFocus();
}

void TFrm_Logradouros::Botao_AlterarClick() {
    dmLogradouros->cdsDados->Edit();
    Refresh();
    C1->setFocus();
}

void TFrm_Logradouros::Botao_SalvarClick() {
    TCachedDataSet* record = dmLogradouros->cdsDados;
    CamposOK = true;
    Botao_Obrigatorios->click();
    if (!CamposOK) return;
    try {
        record->Post();
        if (record->ApplyUpdates(0) != 0) {
            // The row was not written and the write was undone; the change is still
            // pending, so the user corrects it or cancels, or saves again when it was
            // the link to the server that went while the row was written.
            const TSQLConnection* session = dmLogradouros->sqlDados->SQLConnection();
            ShowMessage(session && !session->Connected()
                            ? kConnectionLost
                            : QStringLiteral("Atenção, esse registro tem informações confusas, "
                                             "confirme informações ou cancele procedimento!"));
            record->Edit();
            return;
        }
    } catch (const EConnectionLost&) {
        // The link to the database server is gone (it stopped, or the network dropped):
        // nothing was stored, and the next save attaches again. Saying the record exists
        // would send the user hunting for a duplicate that is not there.
        ShowMessage(kConnectionLost);
        return;
    } catch (const std::exception&) {
        // Intended: every other failure of the save reads as a refused duplicate.
        ShowMessage(QStringLiteral("Atenção, esse registro já existe, confirme informações!"));
        return;
    }
    Refresh();
    FocusNovo();
}

void TFrm_Logradouros::Botao_CancelarClick() {
    TCachedDataSet* record = dmLogradouros->cdsDados;
    record->Cancel();
    // A save the database refused leaves its change pending in the cache. Cancelling
    // drops it as well: left there, it would be written by the next save or deletion
    // the user makes, or make each of them fail in its turn.
    if (record->ChangeCount() > 0) record->CancelUpdates();
    Refresh();
    FocusNovo();
}

void TFrm_Logradouros::Botao_ExcluirClick() {
    TCachedDataSet* record = dmLogradouros->cdsDados;
    if (record->RecordCount() == 0) {
        ShowMessage(QStringLiteral("Atenção, selecione registro para exclusão!"));
        return;
    }
    if (AskQuestion(QStringLiteral("Confirma a exclusão ?"), Descricao_Sistema, TMsgButton::No)) {
        bool deleted;
        try {
            record->Delete();
            deleted = record->ApplyUpdates(0) == 0;
        } catch (const std::exception&) {
            deleted = false;
        }
        if (!deleted) {
            record->CancelUpdates();
            ShowMessage(QStringLiteral("Atenção, exclusão cancelada!"));
        }
    }
    Refresh();
    FocusNovo();
}

void TFrm_Logradouros::Botao_ObrigatoriosClick() {
    for (QObject* component : OwnedComponents(this)) {
        auto* box = qobject_cast<TDBEdit*>(component);
        if (!box || !NameEndsWith(*box, QLatin1Char('J'))) continue;
        if (StreetRules::IsMissing(box->text())) {
            box->setFocus();
            ShowMessage(StreetRules::RequiredFieldMessage());
            CamposOK = false;
            return;
        }
    }
}

void TFrm_Logradouros::C6JExit() {
    if (!Editing()) return;
    TCachedDataSet* record = dmLogradouros->cdsDados;
    const QString tipo = record->FieldByName(QStringLiteral("TIPO"))->AsString();
    const QString nome = record->FieldByName(QStringLiteral("NOME"))->AsString();
    const qint32 id = record->FieldByName(QStringLiteral("I_ID"))->AsInteger();

    sqlBusca->Close();
    sqlBusca->SQL().Clear();
    sqlBusca->SQL().Add(StreetRules::DuplicateSql(tipo, nome, id));
    sqlBusca->Open();
    const bool found = !sqlBusca->Eof();
    const QString foundTipo =
        found ? sqlBusca->FieldByName(QStringLiteral("TIPO"))->AsString() : QString();
    const QString foundNome =
        found ? sqlBusca->FieldByName(QStringLiteral("NOME"))->AsString() : QString();
    if (!StreetRules::IsSameStreet(tipo, nome, foundTipo, foundNome)) return;

    const qint32 foundId = sqlBusca->FieldByName(QStringLiteral("I_ID"))->AsInteger();
    ShowMessage(StreetRules::DuplicateMessage(foundId));
    record->FieldByName(QStringLiteral("NOME"))->Clear();
    if (AskQuestion(QStringLiteral("Deseja visualizar cadastro ?"), Descricao_Sistema,
                    TMsgButton::No)) {
        record->Cancel();
        Refresh();
        dmLogradouros->loadRecord(QString::number(foundId));
        // The look must match the record now shown, not the one cancelled: when the
        // page was empty before the insert, Alterar and Excluir would stay disabled.
        Refresh();
    }
}

// ---------------------------------------------------------------------------------------
// Search page

void TFrm_Logradouros::TabPesquisaSShow() {
    TCachedDataSet* list = dmLogradouros ? dmLogradouros->cdsPesquisa : nullptr;
    if (!list || list->Active()) return;
    LProcura->setText(QStringLiteral("Valor"));
    Procura->ShowText(QString());
    LProcura->hide();
    Procura->hide();
    for (int column = 0; column < DBGrid1->ColumnCount(); ++column) {
        DBGrid1->SetColumnColor(column, clSilver);
    }
    dmLogradouros->loadSearchList();
}

void TFrm_Logradouros::DBGrid1TitleClick(int column) {
    if (column < 0 || column >= DBGrid1->ColumnCount()) return;
    LProcura->show();
    Procura->show();
    dmLogradouros->cdsPesquisa->SetIndexFieldNames(DBGrid1->Column(column).FieldName);
    LProcura->setText(QStringLiteral("Informe ") + DBGrid1->Column(column).Title);
    LProcura->adjustSize();
    for (int other = 0; other < DBGrid1->ColumnCount(); ++other) {
        DBGrid1->SetColumnColor(other, other == column ? clWhite : clSilver);
    }
    Procura->clear();
    Procura->setFocus();
}

void TFrm_Logradouros::ProcuraChange() {
    TCachedDataSet* list = dmLogradouros ? dmLogradouros->cdsPesquisa : nullptr;
    // No search while the list is closed (during a reload) or before a column is chosen.
    if (!list || !list->Active() || list->IndexFieldNames().isEmpty()) return;
    const QString text = Procura->text();
    if (text.isEmpty()) {
        // The empty key: every row follows it.
        list->First();
        return;
    }
    try {
        list->FindNearest(QStringList{text});
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Tipo de Informação incompatível com campo selecionado"));
        Procura->clear();
    }
}

void TFrm_Logradouros::DBGrid1DblClick() {
    const TCachedDataSet* list = dmLogradouros->cdsPesquisa;
    for (int index = 0; index < int(GsCodigo.size()); ++index) {
        const bool present =
            list->Active() && list->RecordCount() > 0 && index < list->FieldCount();
        GsCodigo[index] = present ? list->Fields(index)->AsString() : QString();
    }
    dmLogradouros->loadRecord(GsCodigo[0]);
    PageControl1->setCurrentWidget(TabCadastro);
}

bool TFrm_Logradouros::ProcuraKeyDown(QKeyEvent& key) {
    if (IsEnterKey(key)) {
        RunCommand([this] { DBGrid1DblClick(); });
    } else if (key.key() == Qt::Key_Down && Procura->hasFocus()) {
        DBGrid1->setFocus();
    }
    return false;
}

bool TFrm_Logradouros::DBGrid1KeyDown(QKeyEvent& key) {
    if (IsEnterKey(key)) RunCommand([this] { DBGrid1DblClick(); });
    return false;
}

void TFrm_Logradouros::Clique1Click() {
    dmLogradouros->cdsPesquisa->Close();
    TabPesquisaSShow();
}

// ---------------------------------------------------------------------------------------
// Events

bool TFrm_Logradouros::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (watched == TabCadastro) RunCommand([this] { TabCadastroShow(); });
        if (watched == TabPesquisaS) RunCommand([this] { TabPesquisaSShow(); });
    } else if (event->type() == QEvent::Resize && watched == TabPesquisaS) {
        // The grid keeps to the bottom of its page, full width.
        DBGrid1->setGeometry(0, TabPesquisaS->height() - kGridHeight, TabPesquisaS->width(),
                             kGridHeight);
    }
    return QDialog::eventFilter(watched, event);
}

void TFrm_Logradouros::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    RunCommand([this] { FormShow(); });
}

void TFrm_Logradouros::closeEvent(QCloseEvent* event) {
    // While a street is inserted or changed the user saves or cancels first; the
    // window offers no way to close, and a close request from outside is refused too.
    if (Editing()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFrm_Logradouros::keyPressEvent(QKeyEvent* event) {
    // Escape does not close this window (only Fechar does).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
