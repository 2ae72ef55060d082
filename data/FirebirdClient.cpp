#include "data/FirebirdClient.h"

#include <dlfcn.h>
#include <ibase.h>

#include <QMutex>
#include <QMutexLocker>
#include <cerrno>
#include <map>
#include <memory>

#include "core/Exception.h"

namespace {

using GetMasterInterface = Firebird::IMaster* (*)();

constexpr const char* kGetMasterInterface = "fb_get_master_interface";

QMutex& LoadLock() {
    static QMutex lock;
    return lock;
}

// Loaded clients by library name. Never unloaded: the engine inside the library may
// keep threads and files until the process ends.
std::map<QString, std::unique_ptr<FirebirdClient>>& LoadedClients() {
    static auto* clients = new std::map<QString, std::unique_ptr<FirebirdClient>>();
    return *clients;
}

}  // namespace

bool StatusMeansConnectionLost(const intptr_t* errors) {
    if (!errors) return false;
    // Each item is a kind, then one value (two for a counted string); only the values
    // of isc_arg_gds items are error codes.
    for (const intptr_t* item = errors; *item != isc_arg_end;) {
        const intptr_t kind = *item++;
        if (kind == isc_arg_cstring) {
            item += 2;
            continue;
        }
        const intptr_t value = *item++;
        if (kind != isc_arg_gds) continue;
        switch (value) {
            case isc_network_error:        // the connection to the server failed
            case isc_net_read_err:         // reading from the connection failed
            case isc_net_write_err:        // writing to the connection failed
            case isc_lost_db_connection:   // the client lost its connection
            case isc_conn_lost:            // the same, through a local pipe
            case isc_net_server_shutdown:  // the server is going down
            case isc_shutdown:             // the database was shut down
            case isc_att_shutdown:         // this attachment was shut down
                return true;
        }
    }
    return false;
}

QStringList FirebirdClient::EntryPoints() {
    return {QString::fromLatin1(kGetMasterInterface)};
}

FirebirdClient& FirebirdClient::Load(const QString& libraryName) {
    QMutexLocker locker(&LoadLock());
    auto& clients = LoadedClients();
    if (auto found = clients.find(libraryName); found != clients.end()) return *found->second;

    errno = 0;
    void* handle = dlopen(libraryName.toLocal8Bit().constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle) {
        // dlopen reports its reason as text; the system error it met is in errno,
        // and a file that is present but not loadable leaves errno at 0.
        const int errorCode = errno != 0 ? errno : ENOEXEC;
        throw EDatabaseError(
            QStringLiteral(
                "Unable to load %1 (ErrorCode %2).  It may be missing from the system path.")
                .arg(libraryName)
                .arg(errorCode));
    }
    auto getMaster = reinterpret_cast<GetMasterInterface>(dlsym(handle, kGetMasterInterface));
    if (!getMaster) {
        dlclose(handle);
        throw EDatabaseError(QStringLiteral("Unable to find procedure %1")
                                 .arg(QString::fromLatin1(kGetMasterInterface)));
    }

    std::unique_ptr<FirebirdClient> client(new FirebirdClient);
    client->FLibraryName = libraryName;
    client->FHandle = handle;
    client->FMaster = getMaster();
    client->FProvider = client->FMaster->getDispatcher();
    client->FUtil = client->FMaster->getUtilInterface();
    FirebirdClient& loaded = *client;
    clients.emplace(libraryName, std::move(client));
    return loaded;
}

QString FirebirdClient::StatusMessage(Firebird::IStatus* status) const {
    char buffer[4096];
    const unsigned length = FUtil->formatStatus(buffer, sizeof buffer, status);
    QString message =
        QString::fromLocal8Bit(buffer, int(qMin<unsigned>(length, sizeof buffer - 1)));
    // The client ends the text with a line break; each further line of the status
    // vector starts with "-".
    while (message.endsWith(QLatin1Char('\n'))) message.chop(1);
    return message;
}

FirebirdStatus::FirebirdStatus(const FirebirdClient& client)
    : FClient(client), FStatus(client.Master()->getStatus()), FWrapper(FStatus) {}

FirebirdStatus::~FirebirdStatus() {
    FStatus->dispose();
}

bool FirebirdStatus::Failed() const {
    return (const_cast<Firebird::CheckStatusWrapper&>(FWrapper).getState() &
            Firebird::IStatus::STATE_ERRORS) != 0;
}

bool FirebirdStatus::ConnectionLost() const {
    return Failed() && StatusMeansConnectionLost(
                           const_cast<Firebird::CheckStatusWrapper&>(FWrapper).getErrors());
}

void FirebirdStatus::Check() {
    if (!Failed()) return;
    if (ConnectionLost()) throw EConnectionLost(Message());
    throw EDatabaseError(Message());
}

QString FirebirdStatus::Message() {
    return FClient.StatusMessage(&FWrapper);
}

FirebirdSignalGuard::FirebirdSignalGuard() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], nullptr, &FSaved[i]);
}

FirebirdSignalGuard::~FirebirdSignalGuard() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &FSaved[i], nullptr);
}
