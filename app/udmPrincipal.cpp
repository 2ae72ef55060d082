#include "app/udmPrincipal.h"

#include "data/TSQLConnection.h"

TdmPrincipal* dmPrincipal = nullptr;

namespace {

// The parameters stored with the data module, line by line in their stored order.
// Database is a placeholder that start-up always replaces; ServerCharSet and
// ErrorResourceFile are stored empty (start-up fills ServerCharSet in its place).
void LoadStoredParams(TSQLConnection& connection) {
    connection.SetConnectionName(QStringLiteral("FBConnection"));
    connection.SetDriverName(QStringLiteral("Firebird"));
    connection.SetLoginPrompt(false);
    connection.Params().Assign({
        QStringLiteral("DriverName=Firebird"),
        QStringLiteral("Database=/opt/torvane/logradouros/LOGRADOUROS.FDB"),
        QStringLiteral("RoleName=RoleName"),
        QStringLiteral("User_Name=sysdba"),
        QStringLiteral("Password=lanternox"),
        QStringLiteral("ServerCharSet="),
        QStringLiteral("SQLDialect=3"),
        QStringLiteral("ErrorResourceFile="),
        QStringLiteral("LocaleCode=0000"),
        QStringLiteral("BlobSize=-1"),
        QStringLiteral("CommitRetain=False"),
        QStringLiteral("WaitOnLocks=True"),
        QStringLiteral("IsolationLevel=ReadCommitted"),
        QStringLiteral("Trim Char=False"),
    });
}

}  // namespace

TdmPrincipal::TdmPrincipal(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("dmPrincipal"));
    TorvaneConnection = new TSQLConnection(this);
    TorvaneConnection->SetName(QStringLiteral("TorvaneConnection"));
    LoadStoredParams(*TorvaneConnection);
    ConectaAntigo = new TSQLConnection(this);
    ConectaAntigo->SetName(QStringLiteral("ConectaAntigo"));
    LoadStoredParams(*ConectaAntigo);
    // Both stay closed after loading; the main window opens the session.
    TorvaneConnection->Close();
    ConectaAntigo->Close();
}
