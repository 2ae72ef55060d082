#pragma once

#include <QObject>

class TSQLConnection;

// The connection data module: the program's one database session, created first at
// start-up and kept for the whole run. The main window points the session at the
// database in the current directory and opens it.
class TdmPrincipal : public QObject {
    Q_OBJECT

public:
    explicit TdmPrincipal(QObject* owner = nullptr);

    // The session every query of the program names.
    TSQLConnection* TorvaneConnection = nullptr;
    // A second connection with the same stored parameters; never opened.
    TSQLConnection* ConectaAntigo = nullptr;
};

extern TdmPrincipal* dmPrincipal;
