#include "tool/DatabaseCheck.h"

#include <ibase.h>

#include "data/FirebirdAttachment.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "tool/Console.h"
#include "tool/FirebirdUtility.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

namespace {

// Page size and on-disk structure version from the attachment's information items.
void ReadFacts(FirebirdAttachment& attachment, DatabaseCheck& check) {
    const unsigned char items[] = {isc_info_page_size, isc_info_ods_version,
                                   isc_info_ods_minor_version, isc_info_end};
    unsigned char buffer[64] = {};
    FirebirdStatus status(attachment.Client());
    attachment.Handle()->getInfo(&status, sizeof items, items, sizeof buffer, buffer);
    status.Check();

    // Each answer: the item, a two-byte little-endian length, then the value.
    for (const unsigned char* at = buffer;
         at < buffer + sizeof buffer - 3 && *at != isc_info_end;) {
        const unsigned char item = at[0];
        const int length = at[1] | (at[2] << 8);
        if (at + 3 + length > buffer + sizeof buffer) break;
        int value = 0;
        for (int i = length - 1; i >= 0; --i) value = (value << 8) | at[3 + i];
        if (item == isc_info_page_size) check.PageSize = value;
        if (item == isc_info_ods_version) check.OdsMajor = value;
        if (item == isc_info_ods_minor_version) check.OdsMinor = value;
        at += 3 + length;
    }
}

// Runs gfix's full validation and returns what it reported: nothing for a sound
// database. gfix ends with status 0 even when it finds damage, so its report is what
// counts; a non-zero status means the validation itself could not run.
QString Validate(const ToolSession& session) {
    const UtilityResult result =
        RunFirebirdUtility(QStringLiteral("gfix"),
                           {QStringLiteral("-v"), QStringLiteral("-full"), session.Config().Database},
                           session.Login());
    if (result.ExitCode != 0) {
        if (result.Output.contains(QLatin1String("cannot validate"))) {
            throw ToolError(kExitDatabase,
                            QStringLiteral("o banco de dados está aberto por outro programa; a "
                                           "validação exige que ninguém mais o use."));
        }
        throw ToolError(kExitDatabase,
                        QStringLiteral("a validação não pôde ser feita: %1").arg(result.Output));
    }
    return result.Output;
}

QString IdText(const std::optional<qint32>& id) {
    return id ? QStringLiteral("%1").arg(*id, 6, 10, QLatin1Char('0')) : QStringLiteral("nenhum");
}

}  // namespace

DatabaseCheck CheckDatabase(ToolSession& session) {
    DatabaseCheck check;
    check.Database = session.Config().Database;
    try {
        TSQLQuery query;
        query.SetSQLConnection(&session.Connection());
        query.SQL().SetText(QStringLiteral(
            "SELECT CAST(COUNT(*) AS INTEGER) AS LINHAS, MAX(I_ID) AS MAIOR FROM LOGRADOUROS"));
        query.Open();
        const TField* highest = query.FieldByName(QStringLiteral("MAIOR"));
        check.Streets = query.FieldByName(QStringLiteral("LINHAS"))->AsInteger();
        if (!highest->IsNull()) check.HighestId = highest->AsInteger();
        query.Close();
    } catch (const Exception& error) {
        check.TableError = error.Message();
    }
    ReadFacts(*session.Connection().Attachment(), check);
    session.Connection().Close();
    check.Validation = Validate(session);
    return check;
}

void PrintDatabaseCheck(const DatabaseCheck& check) {
    PrintLine(QStringLiteral("Banco de dados: %1").arg(check.Database));
    if (check.Streets) {
        PrintLine(QStringLiteral("Logradouros: %1").arg(*check.Streets));
        PrintLine(QStringLiteral("Maior identificador: %1").arg(IdText(check.HighestId)));
    } else {
        PrintError(QStringLiteral("vialar-tool: a tabela LOGRADOUROS não pôde ser lida: %1")
                       .arg(check.TableError));
    }
    PrintLine(QStringLiteral("Tamanho da página: %1 bytes").arg(check.PageSize));
    PrintLine(
        QStringLiteral("Versão da estrutura (ODS): %1.%2").arg(check.OdsMajor).arg(check.OdsMinor));
    if (!check.Validation.isEmpty()) {
        PrintLine(QStringLiteral("Validação (gfix -v -full):"));
        for (const QString& line : check.Validation.split(QLatin1Char('\n')))
            PrintLine(QStringLiteral("  ") + line.trimmed());
    } else {
        PrintLine(QStringLiteral("Validação (gfix -v -full): nenhum problema encontrado"));
    }
}

QString DatabaseCheckSummary(const DatabaseCheck& check) {
    if (!check.Streets) {
        return QStringLiteral("a tabela LOGRADOUROS não pôde ser lida: %1").arg(check.TableError);
    }
    const QString streets = QStringLiteral("%1 logradouros, maior identificador %2")
                                .arg(*check.Streets)
                                .arg(IdText(check.HighestId));
    if (check.Validation.isEmpty())
        return streets + QStringLiteral(", nenhum problema encontrado");
    return streets + QStringLiteral("; a validação (gfix -v -full) encontrou:\n  ") +
           check.Validation.split(QLatin1Char('\n')).join(QStringLiteral("\n  "));
}
