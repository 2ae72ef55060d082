// check-db: opens the configured database, tells what it holds and how it is built,
// and runs Firebird's own full validation (gfix -v -full), ending with kExitDamaged
// when that finds anything wrong.
#include <ibase.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "data/FirebirdAttachment.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

namespace {

struct DatabaseFacts {
    int PageSize = 0;
    int OdsMajor = 0;
    int OdsMinor = 0;
};

// Page size and on-disk structure version from the attachment's information items.
DatabaseFacts ReadFacts(FirebirdAttachment& attachment) {
    const unsigned char items[] = {isc_info_page_size, isc_info_ods_version,
                                   isc_info_ods_minor_version, isc_info_end};
    unsigned char buffer[64] = {};
    FirebirdStatus status(attachment.Client());
    attachment.Handle()->getInfo(&status, sizeof items, items, sizeof buffer, buffer);
    status.Check();

    // Each answer: the item, a two-byte little-endian length, then the value.
    DatabaseFacts facts;
    for (const unsigned char* at = buffer;
         at < buffer + sizeof buffer - 3 && *at != isc_info_end;) {
        const unsigned char item = at[0];
        const int length = at[1] | (at[2] << 8);
        if (at + 3 + length > buffer + sizeof buffer) break;
        int value = 0;
        for (int i = length - 1; i >= 0; --i) value = (value << 8) | at[3 + i];
        if (item == isc_info_page_size) facts.PageSize = value;
        if (item == isc_info_ods_version) facts.OdsMajor = value;
        if (item == isc_info_ods_minor_version) facts.OdsMinor = value;
        at += 3 + length;
    }
    return facts;
}

// Runs gfix's full validation and returns what it reported: nothing for a sound
// database. gfix ends with status 0 even when it finds damage, so its report is what
// counts; a non-zero status means the validation itself could not run.
QString Validate(const ToolSession& session) {
    const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix"));
    if (gfix.isEmpty()) {
        throw ToolError(kExitFailure, QStringLiteral("o utilitário gfix do Firebird não foi "
                                                     "encontrado (pacote firebird3.0-utils)."));
    }
    // The login travels in the environment, never on the command line where every
    // user of the machine could read it.
    const TStrings& params = session.Connection().Params();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ISC_USER"), params.Values(QStringLiteral("User_Name")));
    environment.insert(QStringLiteral("ISC_PASSWORD"), params.Values(QStringLiteral("Password")));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(gfix, {QStringLiteral("-v"), QStringLiteral("-full"), session.Config().Database});
    if (!process.waitForStarted() || !process.waitForFinished(-1)) {
        throw ToolError(
            kExitFailure,
            QStringLiteral("não foi possível executar o gfix: %1").arg(process.errorString()));
    }
    const QString report = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (report.contains(QLatin1String("cannot validate"))) {
            throw ToolError(kExitDatabase,
                            QStringLiteral("o banco de dados está aberto por outro programa; a "
                                           "validação exige que ninguém mais o use."));
        }
        throw ToolError(kExitDatabase,
                        QStringLiteral("a validação não pôde ser feita: %1").arg(report));
    }
    return report;
}

}  // namespace

int RunCheckDb(Arguments& arguments) {
    arguments.TakePositionals(0);
    arguments.Finish();

    ToolSession session;
    PrintLine(QStringLiteral("Banco de dados: %1").arg(session.Config().Database));

    bool damaged = false;
    try {
        TSQLQuery query;
        query.SetSQLConnection(&session.Connection());
        query.SQL().SetText(QStringLiteral(
            "SELECT CAST(COUNT(*) AS INTEGER) AS LINHAS, MAX(I_ID) AS MAIOR FROM LOGRADOUROS"));
        query.Open();
        const TField* highest = query.FieldByName(QStringLiteral("MAIOR"));
        PrintLine(QStringLiteral("Logradouros: %1")
                      .arg(query.FieldByName(QStringLiteral("LINHAS"))->AsInteger()));
        PrintLine(QStringLiteral("Maior identificador: %1")
                      .arg(highest->IsNull() ? QStringLiteral("nenhum")
                                             : QStringLiteral("%1").arg(highest->AsInteger(), 6, 10,
                                                                        QLatin1Char('0'))));
        query.Close();
    } catch (const Exception& error) {
        PrintError(QStringLiteral("vialar-tool: a tabela LOGRADOUROS não pôde ser lida: %1")
                       .arg(error.Message()));
        damaged = true;
    }
    const DatabaseFacts facts = ReadFacts(*session.Connection().Attachment());
    PrintLine(QStringLiteral("Tamanho da página: %1 bytes").arg(facts.PageSize));
    PrintLine(
        QStringLiteral("Versão da estrutura (ODS): %1.%2").arg(facts.OdsMajor).arg(facts.OdsMinor));

    // The embedded engine validates only a database nobody else has open, this
    // process included.
    session.Connection().Close();
    const QString report = Validate(session);
    if (!report.isEmpty()) {
        PrintLine(QStringLiteral("Validação (gfix -v -full):"));
        for (const QString& line : report.split(QLatin1Char('\n')))
            PrintLine(QStringLiteral("  ") + line.trimmed());
        damaged = true;
    } else {
        PrintLine(QStringLiteral("Validação (gfix -v -full): nenhum problema encontrado"));
    }
    if (damaged) throw ToolError(kExitDamaged, QStringLiteral("o banco de dados está danificado."));
    return kExitOk;
}
