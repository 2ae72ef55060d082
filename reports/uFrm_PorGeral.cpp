#include "reports/uFrm_PorGeral.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyle>

#include "app/uTotal.h"
#include "core/Colors.h"
#include "core/Messages.h"
#include "reports/uFrm_Relatorio31.h"
#include "toolkit/TEdit.h"
#include "toolkit/TKeyPreview.h"
#include "toolkit/WindowFonts.h"

TFrm_PorGeral* Frm_PorGeral = nullptr;

namespace {

constexpr int kClientWidth = 562;
constexpr int kClientHeight = 300;
constexpr int kBoxHeight = 19;
constexpr int kButtonTop = 233;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 36;

// "Visualizar": a sheet under a magnifying glass.
QIcon PreviewGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(1.5, 1.5, 9, 12));
    painter.setPen(QPen(QColor(40, 70, 160), 2));
    painter.setBrush(QColor(200, 225, 250));
    painter.drawEllipse(QRectF(6, 6, 6, 6));
    painter.drawLine(QPointF(11.5, 11.5), QPointF(15, 15));
    return QIcon(pixmap);
}

QPushButton* CreateButton(QWidget* dialog, const QString& name, const QString& caption, int left,
                          const QIcon& glyph) {
    auto* button = new QPushButton(caption, dialog);
    button->setObjectName(name);
    button->setGeometry(left, kButtonTop, kButtonWidth, kButtonHeight);
    button->setFont(ArialFont(true));
    button->setIcon(glyph);
    button->setLayoutDirection(Qt::RightToLeft);  // glyph to the right of the caption
    button->setCursor(Qt::PointingHandCursor);
    // Enter is the window's key (next control), never a dialog's default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

TFrm_PorGeral::TFrm_PorGeral(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Frm_PorGeral"));
    setWindowTitle(QStringLiteral("Informe os dados para a pesquisa"));
    // A single fixed border whose only border icon is the close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(SansSerifFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    // The buttons come first in the tab order and the boxes follow them in reading
    // order, so Tab from "Fechar" reaches "Lei" and the last box leads back to
    // "Visualizar": the same round as reading the layout, boxes then buttons.
    Botao_Novo = CreateButton(this, QStringLiteral("Botao_Novo"), QStringLiteral("&Visualizar"),
                              126, PreviewGlyph());
    Botao_Fechar = CreateButton(this, QStringLiteral("Botao_Fechar"), QStringLiteral("&Fechar"),
                                285, style()->standardIcon(QStyle::SP_DialogCloseButton));

    struct BoxDesign {
        TEdit** Box;
        const char* Name;
        const char* Caption;
        int LabelLeft, LabelTop, Left, Top, Width;
    };
    const BoxDesign boxes[] = {
        {&LLei, "LLei", "Lei", 30, 40, 30, 55, 100},
        {&LAno, "LAno", "Ano", 133, 40, 133, 55, 100},
        {&LTipo, "LTipo", "Tipo", 30, 80, 30, 93, 100},
        {&LNome, "LNome", "Nome", 133, 80, 133, 93, 400},
        {&LTitulo, "LTitulo", "Título", 30, 119, 30, 133, 100},
        {&LUsual, "LUsual", "Nome Usual", 133, 119, 133, 133, 400},
        {&LLocal, "LLocal", "Localização", 30, 158, 30, 172, 503},
    };
    int labelNumber = 1;
    QWidget* previous = Botao_Fechar;
    for (const BoxDesign& design : boxes) {
        auto* label = new QLabel(QString::fromUtf8(design.Caption), this);
        label->setObjectName(QStringLiteral("Label%1").arg(labelNumber++));
        label->setFont(ArialFont(true));
        label->adjustSize();
        label->move(design.LabelLeft, design.LabelTop);

        auto* box = new TEdit(this);
        box->setObjectName(QString::fromLatin1(design.Name));
        box->setGeometry(design.Left, design.Top, design.Width, kBoxHeight);
        box->setFont(SansSerifFont(true));
        box->SetColor(clSkyBlue);
        box->setAccessibleName(label->text());
        box->setAccessibleDescription(QStringLiteral("Filtro do relatório; vazio, não filtra"));
        setTabOrder(previous, box);
        previous = box;
        *design.Box = box;
    }
    setTabOrder(Botao_Novo, Botao_Fechar);

    connect(Botao_Novo, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Botao_NovoClick(); }); });
    connect(Botao_Fechar, &QPushButton::clicked, this,
            [this] { RunCommand([this] { Botao_FecharClick(); }); });
    FKeyPreview = new TKeyPreview(this, [this](QKeyEvent& key) { return FormKeyDown(key); });
}

TFrm_PorGeral::~TFrm_PorGeral() {
    if (Frm_PorGeral == this) Frm_PorGeral = nullptr;
}

void TFrm_PorGeral::showEvent(QShowEvent* event) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    Botao_Novo->setFocus(Qt::TabFocusReason);
    QDialog::showEvent(event);
}

bool TFrm_PorGeral::FormKeyDown(QKeyEvent& key) {
    if (!IsEnterKey(key)) return false;
    SelectNextControl(this);
    return true;
}

void TFrm_PorGeral::Botao_NovoClick() {
    const TTypedListingFilter filter =
        ListingFilterFromTexts({LLei->text(), LAno->text(), LTipo->text(), LNome->text(),
                                LTitulo->text(), LUsual->text(), LLocal->text()});

    Botao_Novo->setEnabled(false);
    Botao_Fechar->setEnabled(false);
    FRunning = true;
    const auto enableAgain = qScopeGuard([this] {
        FRunning = false;
        Botao_Novo->setEnabled(true);
        Botao_Fechar->setEnabled(true);
    });
    if (Relatorio == 1) RunStreetListing(this, filter.Values, filter.Description);
}

// Escape and the close box end the dialog through here (QDialog's closeEvent asks it).
void TFrm_PorGeral::reject() {
    if (!FRunning) QDialog::reject();
}

void TFrm_PorGeral::Botao_FecharClick() {
    close();
}
