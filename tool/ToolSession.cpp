#include "tool/ToolSession.h"

#include <QDir>
#include <QFileInfo>

#include "app/udmPrincipal.h"
#include "data/TSQLConnection.h"
#include "tool/ToolError.h"

namespace {

FirebirdLogin LoginOfConnection(const TSQLConnection& connection) {
    return {connection.Params().Values(QStringLiteral("User_Name")),
            connection.Params().Values(QStringLiteral("Password"))};
}

DatabaseConfig WithDatabase(DatabaseConfig config, const QString& database) {
    config.Database = database;
    return config;
}

}  // namespace

DatabaseConfig ToolSession::LoadConfig() {
    try {
        return DatabaseConfig::Load(QDir::currentPath());
    } catch (const Exception& error) {
        throw ToolError(kExitConfiguration, error.Message());
    }
}

FirebirdLogin ToolSession::LoginOf(const DatabaseConfig& config) {
    TdmPrincipal module;
    config.Apply(*module.TorvaneConnection);
    return LoginOfConnection(*module.TorvaneConnection);
}

ToolSession::ToolSession() : ToolSession(LoadConfig()) {}

ToolSession::ToolSession(const QString& database)
    : ToolSession(WithDatabase(LoadConfig(), database)) {}

ToolSession::ToolSession(DatabaseConfig config) : FConfig(std::move(config)) {
    if (!FConfig.IsRemote() && !QFileInfo::exists(FConfig.Database)) {
        throw ToolError(kExitDatabase,
                        QStringLiteral("não há banco de dados em %1 (crie um com \"vialar-tool "
                                       "create-db PASTA\" ou configure outro).")
                            .arg(DatabaseName()));
    }
    FModule = std::make_unique<TdmPrincipal>();
    dmPrincipal = FModule.get();
    try {
        FConfig.Apply(Connection());
        FConfig.Open(Connection());
    } catch (const Exception& error) {
        dmPrincipal = nullptr;
        if (FConfig.IsRemote()) throw ToolError(kExitDatabase, error.Message());
        QString reason = error.Message().trimmed();
        if (reason.contains(QLatin1String("shutdown"), Qt::CaseInsensitive))
            reason = QStringLiteral("o banco de dados está bloqueado (fechado para manutenção)");
        throw ToolError(kExitDatabase, QStringLiteral("não foi possível abrir o banco de dados "
                                                      "%1: %2")
                                           .arg(DatabaseName(), reason));
    }
}

ToolSession::~ToolSession() {
    if (dmPrincipal == FModule.get()) dmPrincipal = nullptr;
}

TSQLConnection& ToolSession::Connection() const {
    return *FModule->TorvaneConnection;
}

FirebirdLogin ToolSession::Login() const {
    return LoginOfConnection(Connection());
}

QString ToolSession::DatabaseName() const {
    return FConfig.IsRemote()
               ? FConfig.Database
               : QStringLiteral("\"%1\"").arg(QDir::toNativeSeparators(FConfig.Database));
}
