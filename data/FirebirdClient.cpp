#include "data/FirebirdClient.h"

#include <dlfcn.h>

#include <QMutex>
#include <QMutexLocker>
#include <cerrno>
#include <map>
#include <memory>

#include "data/Exception.h"

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

void FirebirdStatus::Check() {
    if (Failed()) throw EDatabaseError(Message());
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
