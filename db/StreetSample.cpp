#include "db/StreetSample.h"

#include <QStringList>

namespace {

// A fixed mixing of the identifier, so that each street's choices are spread out but
// never change between runs.
quint32 Mix(quint32 value, quint32 salt) {
    quint32 x = value * 2654435761u ^ (salt * 40503u + 0x9E3779B9u);
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    x *= 3266489917u;
    x ^= x >> 16;
    return x;
}

template <size_t N>
QString Pick(const char* const (&choices)[N], qint32 id, quint32 salt) {
    return QString::fromUtf8(choices[Mix(quint32(id), salt) % N]);
}

const char* const kTypes[] = {"RUA",     "RUA",   "RUA",      "RUA",     "AVENIDA",
                              "AVENIDA", "PRAÇA", "TRAVESSA", "ALAMEDA", "ESTRADA",
                              "LARGO",   "BECO",  "VIELA",    "RODOVIA", "PARQUE"};

const char* const kTitles[] = {"DOUTOR",     "PROFESSOR", "PROFESSORA", "PADRE", "CORONEL",
                               "VEREADOR",   "DONA",      "SÃO",        "SANTA", "GOVERNADOR",
                               "PRESIDENTE", "MAESTRO",   "ENGENHEIRO", "IRMÃ",  "MONSENHOR"};

const char* const kFirstNames[] = {"JOÃO",    "JOSÉ",     "MARIA",     "ANTÔNIO",   "FRANCISCO",
                                   "ANA",     "LUÍS",     "SEBASTIÃO", "CONCEIÇÃO", "BENEDITO",
                                   "INÊS",    "ESTÊVÃO",  "JÚLIA",     "MÁRIO",     "CECÍLIA",
                                   "OTÁVIO",  "HÉLIO",    "ÂNGELO",    "LÚCIA",     "ÁLVARO",
                                   "CÂNDIDO", "GONÇALO",  "IRACEMA",   "JOAQUIM",   "TEREZINHA",
                                   "ORLANDO", "RAIMUNDO", "GERTRUDES", "AURÉLIO",   "PLÍNIO"};

const char* const kSurnames[] = {
    "DA SILVA",   "DOS SANTOS",   "D'ÁVILA",  "D'ABREU",     "DE OLIVEIRA", "PEREIRA",
    "GONÇALVES",  "ALVES-CORRÊA", "FALCÃO",   "BRAGANÇA",    "MAGALHÃES",   "DE ASSUNÇÃO",
    "CAVALCANTI", "PEIXOTO-LIMA", "D'ELBOUX", "ARAÚJO",      "GUIMARÃES",   "NÓBREGA",
    "CONCEIÇÃO",  "ROCHA",        "BARBOSA",  "VASCONCELOS", "SAMPAIO",     "SOUZA-NETO",
    "QUINTÃO",    "MOURÃO",       "TEIXEIRA"};

const char* const kPlaces[] = {"DAS FLORES",          "DOS IPÊS",         "DA MATRIZ",
                               "BEIRA-RIO",           "DAS PALMEIRAS",    "SANTOS DUMONT",
                               "XV DE NOVEMBRO",      "SETE DE SETEMBRO", "DOS BANDEIRANTES",
                               "DAS ACÁCIAS",         "DO CAMPO",         "DA ESTAÇÃO",
                               "DO ROSÁRIO",          "DOS TROPEIROS",    "GUARANI-KAIOWÁ",
                               "DAS GARÇAS",          "DO PINHÃO",        "DA AMIZADE",
                               "DOS EXPEDICIONÁRIOS", "CORAÇÃO DE JESUS"};

const char* const kDistricts[] = {
    "CENTRO",          "JARDIM AMÉRICA",    "VILA NOVA",          "SÃO JOSÉ",
    "BOA VISTA",       "ALTO DA GLÓRIA",    "JARDIM PARAÍSO",     "VILA OPERÁRIA",
    "SANTA TEREZINHA", "PARQUE INDUSTRIAL", "BAIRRO DO LIMOEIRO", "CHÁCARA SÃO JOÃO"};

const char* const kNotes[] = {"Antiga estrada municipal.",
                              "Denominação alterada pela lei seguinte.",
                              "Trecho entre a Rua das Flores e a Praça da Matriz.",
                              "Prolongamento aprovado em 2001.",
                              "Homenagem ao primeiro vereador do município.",
                              "Loteamento \"Jardim Paraíso\", quadra 4.",
                              "Via sem saída; placa de denominação instalada."};

// "PRAÇA" and friends in mixed case, as some older entries were typed.
QString MixedCase(const QString& text) {
    QStringList words = text.toLower().split(QLatin1Char(' '));
    for (QString& word : words) {
        const bool particle = word == QLatin1String("da") || word == QLatin1String("das") ||
                              word == QLatin1String("do") || word == QLatin1String("dos") ||
                              word == QLatin1String("de");
        if (!particle && !word.isEmpty()) word[0] = word[0].toUpper();
        // The letter after an apostrophe or a hyphen starts a name as well.
        for (int i = 1; i + 1 < word.size(); ++i) {
            if (word[i] == QLatin1Char('\'') || word[i] == QLatin1Char('-'))
                word[i + 1] = word[i + 1].toUpper();
        }
    }
    return words.join(QLatin1Char(' '));
}

}  // namespace

StreetRow SampleStreet(qint32 id) {
    StreetRow street;
    street.id = id;
    const quint32 shape = Mix(quint32(id), 1) % 100;

    const int lawYear = 1950 + int(Mix(quint32(id), 2) % 75);
    street.tipo = Pick(kTypes, id, 3);
    const bool personName = shape < 70;
    if (personName) {
        street.nome = Pick(kFirstNames, id, 4) + QLatin1Char(' ') + Pick(kSurnames, id, 5);
        if (shape < 45) street.titulo = Pick(kTitles, id, 6);
    } else {
        street.nome = Pick(kPlaces, id, 7);
    }
    // Law and bill numbers are stored as text, as the council writes them.
    if (shape % 10 != 9) {
        street.lei = QString::number(100 + Mix(quint32(id), 8) % 4900);
        street.ano = QString::number(lawYear);
        street.plei = QStringLiteral("%1/%2")
                          .arg(1 + Mix(quint32(id), 9) % 250, 3, 10, QLatin1Char('0'))
                          .arg(lawYear % 100, 2, 10, QLatin1Char('0'));
        street.pano = QString::number(shape % 7 == 0 ? lawYear - 1 : lawYear);
    }
    if (shape % 4 == 0) {
        street.nomeUsual = shape % 8 == 0 ? street.nome : Pick(kPlaces, id, 10);
    }
    if (shape % 5 != 3) street.localizacao = Pick(kDistricts, id, 11);
    if (shape % 6 == 1) street.observacao = Pick(kNotes, id, 12);
    // Some entries were typed in mixed case.
    if (shape % 9 == 2) {
        street.tipo = MixedCase(street.tipo);
        street.nome = MixedCase(street.nome);
        if (!street.titulo.isNull()) street.titulo = MixedCase(street.titulo);
    }
    // A few were saved with empty text rather than left blank.
    if (shape == 77) street.titulo = QStringLiteral("");
    return street;
}

QList<StreetRow> SampleStreets(int count) {
    QList<StreetRow> streets;
    streets.reserve(count);
    for (int id = 1; id <= count; ++id) streets.append(SampleStreet(id));
    return streets;
}
