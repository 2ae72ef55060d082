#include "app/uTotal.h"

#include "core/FormatSettings.h"

// Defined in this order so that Descricao_Sistema sees Ano_Exercicio already assigned.
const QString Ano_Exercicio = QStringLiteral("2019");
const QString Descricao_Sistema = QStringLiteral("Torvane Logradouros - ") + Ano_Exercicio;
const QString Descricao_Cliente = QStringLiteral("CÂMARA MUNICIPAL DE SÃO JOÃO DO VIALAR");
const QString Descricao_Estado = QStringLiteral("ESTADO DE MINAS GERAIS");
const QString Cor_Pauta_True = QStringLiteral("clMoneyGreen");
const QString Cor_Pauta_False = QStringLiteral("clWhite");
const QString Cor_Cabecalho = QStringLiteral("clSilver");

QString DiretorioCorrente;
QString TituloRelatorio;
int Relatorio = 0;
QString ComandoPesquisa;
bool CamposOK = false;
std::array<QString, 7> GsCodigo;

const std::array<QString, 7> arrShortDayNames{
    QStringLiteral("Dom"), QStringLiteral("Seg"), QStringLiteral("Ter"), QStringLiteral("Qua"),
    QStringLiteral("Qui"), QStringLiteral("Sex"), QStringLiteral("Sab")};
const std::array<QString, 7> arrLongDayNames{QStringLiteral("Domingo"), QStringLiteral("Segunda"),
                                             QStringLiteral("Terça"),   QStringLiteral("Quarta"),
                                             QStringLiteral("Quinta"),  QStringLiteral("Sexta"),
                                             QStringLiteral("Sábado")};
const std::array<QString, 12> arrShortMonthNames{
    QStringLiteral("Jan"), QStringLiteral("Fev"), QStringLiteral("Mar"), QStringLiteral("Abr"),
    QStringLiteral("Mai"), QStringLiteral("Jun"), QStringLiteral("Jul"), QStringLiteral("Ago"),
    QStringLiteral("Set"), QStringLiteral("Out"), QStringLiteral("Nov"), QStringLiteral("Dez")};
const std::array<QString, 12> arrLongMonthNames{
    QStringLiteral("Janeiro"), QStringLiteral("Fevereiro"), QStringLiteral("Março"),
    QStringLiteral("Abril"),   QStringLiteral("Maio"),      QStringLiteral("Junho"),
    QStringLiteral("Julho"),   QStringLiteral("Agosto"),    QStringLiteral("Setembro"),
    QStringLiteral("Outubro"), QStringLiteral("Novembro"),  QStringLiteral("Dezembro")};

void AcertaPadraoData() {
    TFormatSettings& settings = FormatSettings();
    settings.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    settings.ShortDayNames = arrShortDayNames;
    settings.LongDayNames = arrLongDayNames;
    settings.ShortMonthNames = arrShortMonthNames;
    settings.LongMonthNames = arrLongMonthNames;
}
