#pragma once

#include <firebird/Interface.h>

#include <QString>
#include <QStringList>
#include <csignal>

// The Firebird client library, opened at run time by file name. Each library is
// loaded once per process and kept to the end; every entry point the program uses is
// resolved when it loads, so a wrong library fails at once, not in the middle of work.
class FirebirdClient {
public:
    // The loaded client of that file name, loading it on first use. Raises
    // "Unable to load %s (ErrorCode %d).  It may be missing from the system path." or
    // "Unable to find procedure %s".
    static FirebirdClient& Load(const QString& libraryName);

    // The entry points resolved at load time.
    static QStringList EntryPoints();

    const QString& LibraryName() const { return FLibraryName; }
    Firebird::IMaster* Master() const { return FMaster; }
    Firebird::IProvider* Provider() const { return FProvider; }
    Firebird::IUtil* Util() const { return FUtil; }

    // The server's message text for the error a status holds.
    QString StatusMessage(Firebird::IStatus* status) const;

private:
    FirebirdClient() = default;

    QString FLibraryName;
    void* FHandle = nullptr;
    Firebird::IMaster* FMaster = nullptr;
    Firebird::IProvider* FProvider = nullptr;
    Firebird::IUtil* FUtil = nullptr;
};

// The embedded engine installs handlers for the termination signals when it starts,
// and they swallow the signal: a program that attached once could then no longer be
// ended with SIGTERM. Engine start-up (attaching or creating a database) runs inside
// this guard, which puts back the dispositions the program had before.
class FirebirdSignalGuard {
public:
    FirebirdSignalGuard();
    ~FirebirdSignalGuard();
    FirebirdSignalGuard(const FirebirdSignalGuard&) = delete;
    FirebirdSignalGuard& operator=(const FirebirdSignalGuard&) = delete;

private:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction FSaved[3] = {};
};

// Whether a status vector (the client's error codes with their arguments, ended by
// isc_arg_end) reports that the link to the database is gone: the network failed, the
// server went down, or it shut the database or this attachment down. Any code of the
// vector counts, as the client often puts the cause behind a general first code.
bool StatusMeansConnectionLost(const intptr_t* errors);

// A status for one series of client calls: Check() raises the server's message when
// the last call failed, as EConnectionLost when the link to the database is gone and
// as EDatabaseError otherwise.
class FirebirdStatus {
public:
    explicit FirebirdStatus(const FirebirdClient& client);
    ~FirebirdStatus();
    FirebirdStatus(const FirebirdStatus&) = delete;
    FirebirdStatus& operator=(const FirebirdStatus&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &FWrapper; }
    Firebird::CheckStatusWrapper* Wrapper() { return &FWrapper; }
    bool Failed() const;
    // The last call failed because the link to the database is gone.
    bool ConnectionLost() const;
    void Check();
    // The message of the failure the status holds.
    QString Message();

private:
    const FirebirdClient& FClient;
    Firebird::IStatus* FStatus;
    Firebird::CheckStatusWrapper FWrapper;
};
