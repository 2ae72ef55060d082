// A registry client that saves and deletes streets in a loop and writes to a journal
// what the program told it, for the reliability tests that kill it or race two of it.
//
//   reliability_worker churn DATABASE JOURNAL SEED
//       Through the street data module and its cached data set: adds, changes and
//       deletes streets at random until killed. Before each save it journals
//       "P <id> <version>" (a deletion has version -1), and once the save was reported
//       done "S <id> <version>"; each line is on disk (fsync) before the next step.
//       "ready" comes on standard output once the database is open.
//   reliability_worker race DATABASE JOURNAL WORKER SAVES
//       Through the registry window: SAVES times New, fill in, Save. A save that went
//       through journals "S <id> <name>"; one that did not journals "R <message shown>"
//       and is cancelled, as a user would.
#include <QApplication>
#include <QPushButton>
#include <QRandomGenerator>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "app/udmPrincipal.h"
#include "core/Messages.h"
#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TStrings.h"
#include "registry/uFrm_Logradouros.h"
#include "registry/udmLogradouros.h"
#include "tests/reliability/StreetVersions.h"

namespace {

class Journal {
public:
    explicit Journal(const QString& path)
        : FFile(::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_APPEND, 0644)) {
        if (FFile < 0) {
            std::perror("journal");
            std::exit(2);
        }
    }
    ~Journal() { ::close(FFile); }

    // The line is on disk when this returns: a kill right after cannot lose it.
    void Write(const QString& line) {
        const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
        if (::write(FFile, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
            ::fsync(FFile) != 0) {
            std::perror("journal");
            std::exit(2);
        }
    }

private:
    int FFile;
};

void Fill(TCachedDataSet& record, qint64 version) {
    for (const StreetColumnValue& column : StreetVersionValues(version))
        record.FieldByName(QLatin1String(column.Name))->SetAsString(column.Value);
}

int Identifier(TCachedDataSet& record) {
    return record.FieldByName(QStringLiteral("I_ID"))->AsInteger();
}

// A stored identifier picked at random from the search list; 0 when there is none.
int StoredIdentifier(TdmLogradouros& module, QRandomGenerator& random) {
    module.loadSearchList();
    TCachedDataSet& list = *module.cdsPesquisa;
    if (list.RecordCount() == 0) return 0;
    list.SetRecNo(1 + int(random.bounded(list.RecordCount())));
    return Identifier(list);
}

int Churn(const QString& journalPath, quint32 seed) {
    Journal journal(journalPath);
    QRandomGenerator random(seed);
    TdmLogradouros module;
    module.loadSearchList();
    std::printf("ready\n");
    std::fflush(stdout);
    for (qint64 step = 0;; ++step) {
        const qint64 version = qint64(seed) * 100000 + step;
        TCachedDataSet& record = *module.cdsDados;
        const quint32 choice = random.bounded(10u);
        const int stored = choice < 4 ? 0 : StoredIdentifier(module, random);
        if (stored == 0) {
            module.loadRecord(QString());
            record.Append();
            Fill(record, version);
            record.Post();
            journal.Write(QStringLiteral("P %1 %2").arg(Identifier(record)).arg(version));
        } else if (choice < 8) {
            module.loadRecord(stored);
            record.Edit();
            Fill(record, version);
            record.Post();
            journal.Write(QStringLiteral("P %1 %2").arg(stored).arg(version));
        } else {
            module.loadRecord(stored);
            journal.Write(QStringLiteral("P %1 -1").arg(stored));
            record.Delete();
        }
        const int id = choice >= 8 && stored != 0 ? stored : Identifier(record);
        if (record.ApplyUpdates(0) != 0) {
            // Only this worker writes, so a refusal is itself a fault to report.
            journal.Write(QStringLiteral("F %1").arg(id));
            return 3;
        }
        journal.Write(QStringLiteral("S %1 %2").arg(id).arg(stored != 0 && choice >= 8 ? -1 : version));
    }
}

int Race(const QString& journalPath, int worker, int saves) {
    Journal journal(journalPath);
    SetMessageAnswerer([](const TMessageRequest&) { return TMsgButton::OK; });
    auto* window = new TFrm_Logradouros;
    Frm_Logradouros = window;
    window->Botao_AtivaDesativa->click();
    window->show();
    for (int save = 1; save <= saves; ++save) {
        ClearShownMessages();
        window->Botao_Novo->click();
        TCachedDataSet& record = *dmLogradouros->cdsDados;
        const QString name = QStringLiteral("w%1-%2").arg(worker).arg(save);
        for (const char* column : {"LEI", "ANO", "TIPO", "NOME"}) {
            record.FieldByName(QLatin1String(column))
                ->SetAsString(QLatin1String(column) == QLatin1String("ANO") ? QStringLiteral("2001")
                          : QLatin1String(column) == QLatin1String("NOME") ? name
                                                                            : QStringLiteral("Rua"));
        }
        window->Botao_Salvar->click();
        if (ShownMessages().isEmpty() && record.State() == dsBrowse) {
            journal.Write(QStringLiteral("S %1 %2").arg(Identifier(record)).arg(name));
        } else {
            const QString shown =
                ShownMessages().isEmpty() ? QStringLiteral("(no message)") : ShownMessages().last().Text;
            journal.Write(QStringLiteral("R ") + shown);
            window->Botao_Cancelar->click();
        }
    }
    delete window;
    return 0;
}

// The connection as the program's start-up sets it, for the given file.
void Configure(TSQLConnection& connection, const QString& databasePath) {
    connection.SetDriverName(QStringLiteral("Firebird"));
    connection.SetLoginPrompt(false);
    TStrings& params = connection.Params();
    params.SetValue(QStringLiteral("DriverName"), QStringLiteral("Firebird"));
    params.SetValue(QStringLiteral("Database"), databasePath);
    params.SetValue(QStringLiteral("User_Name"), QStringLiteral("sysdba"));
    params.SetValue(QStringLiteral("Password"), QStringLiteral("lanternox"));
    params.SetValue(QStringLiteral("ServerCharSet"), QStringLiteral("WIN1252"));
    params.SetValue(QStringLiteral("SQLDialect"), QStringLiteral("3"));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 5 && args.size() != 6) {
        std::fprintf(stderr, "usage: reliability_worker churn|race DATABASE JOURNAL ...\n");
        return 2;
    }
    dmPrincipal = new TdmPrincipal;
    Configure(*dmPrincipal->TorvaneConnection, args[2]);
    int result = 2;
    if (args[1] == QLatin1String("churn")) result = Churn(args[3], args[4].toUInt());
    if (args[1] == QLatin1String("race") && args.size() == 6)
        result = Race(args[3], args[4].toInt(), args[5].toInt());
    delete dmPrincipal;
    dmPrincipal = nullptr;
    return result;
}
