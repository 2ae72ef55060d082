#include "registry/StreetRules.h"

#include <limits>

#include "core/Exception.h"
#include "core/Win1252.h"
#include "db/Schema.h"

namespace StreetRules {

namespace {

// A text as a SQL string literal: in quotes, each quote inside doubled.
QString SqlLiteral(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

}  // namespace

const QStringList& RequiredColumns() {
    static const QStringList columns = {QStringLiteral("LEI"), QStringLiteral("ANO"),
                                        QStringLiteral("NOME")};
    return columns;
}

bool IsMissing(const QString& text) {
    return text.trimmed().isEmpty();
}

QString RequiredFieldMessage() {
    return QStringLiteral("Campo com preenchimento obrigatório!");
}

std::optional<QString> TextProblem(const StreetColumn& column, const QString& text) {
    for (const QChar character : text) {
        if (!IsWin1252Representable(character)) return UnrepresentableCharacterMessage(character);
    }
    // Every WIN1252 character is one byte, so the width in characters is the width the
    // database checks.
    if (text.size() > column.width) {
        return QStringLiteral("o texto tem %1 caracteres; a coluna %2 aceita no máximo %3.")
            .arg(text.size())
            .arg(QLatin1String(column.name))
            .arg(column.width);
    }
    return std::nullopt;
}

QString IdentifierText(qint32 id) {
    return QStringLiteral("%1").arg(id, 6, 10, QLatin1Char('0'));
}

QString HighestIdentifierSql() {
    return QStringLiteral("SELECT COALESCE(MAX(I_ID),'0') FROM LOGRADOUROS");
}

qint32 NextIdentifier(qint32 highest) {
    // One more than the largest 32-bit identifier would wrap round to a negative one.
    if (highest == std::numeric_limits<qint32>::max()) {
        throw EDatabaseError(QStringLiteral("Não há identificador livre: o maior identificador "
                                            "possível (%1) já está em uso.")
                                 .arg(highest));
    }
    return highest + 1;
}

QString DuplicateSql(const QString& tipo, const QString& nome, qint32 id) {
    return QStringLiteral("SELECT TIPO,NOME,I_ID FROM LOGRADOUROS WHERE TIPO=") + SqlLiteral(tipo) +
           QStringLiteral(" AND NOME=") + SqlLiteral(nome) + QStringLiteral(" AND I_ID<>") +
           QString::number(id);
}

bool IsSameStreet(const QString& tipo, const QString& nome, const QString& otherTipo,
                  const QString& otherNome) {
    return !nome.isEmpty() && tipo == otherTipo && nome == otherNome;
}

QString DuplicateMessage(qint32 otherId) {
    return QStringLiteral("Atenção, Nome da Rua já cadastrado no código : ") +
           IdentifierText(otherId);
}

}  // namespace StreetRules
