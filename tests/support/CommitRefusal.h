#pragma once

// A database that refuses, when it commits, any transaction that wrote to LOGRADOUROS
// while the table TRAVA holds a row: a failure the server reports at commit only, after
// every statement of the transaction succeeded, as a constraint checked at commit would.
// Reads, and writes to other tables (such as adding or removing the TRAVA row), commit
// as usual.

#include <QString>

#include "tests/support/TestDatabase.h"

inline void RefuseStreetCommitsWhileLocked(const TestDatabase& database) {
    database.Execute(QStringLiteral("CREATE TABLE TRAVA (ID INTEGER)"));
    database.Execute(QStringLiteral("CREATE EXCEPTION E_TRAVA 'Gravacao recusada ao confirmar'"));
    database.Execute(QStringLiteral(
        "CREATE TRIGGER LOGRADOUROS_GRAVADO FOR LOGRADOUROS AFTER INSERT OR UPDATE OR DELETE AS\n"
        "DECLARE VARIABLE ignored INTEGER;\n"
        "BEGIN\n"
        "  ignored = RDB$SET_CONTEXT('USER_TRANSACTION', 'GRAVOU_LOGRADOURO', 1);\n"
        "END"));
    database.Execute(QStringLiteral(
        "CREATE TRIGGER TRAVA_AO_CONFIRMAR ON TRANSACTION COMMIT AS\n"
        "BEGIN\n"
        "  IF (RDB$GET_CONTEXT('USER_TRANSACTION', 'GRAVOU_LOGRADOURO') IS NOT NULL\n"
        "      AND EXISTS (SELECT 1 FROM TRAVA)) THEN\n"
        "    EXCEPTION E_TRAVA;\n"
        "END"));
}

inline void LockStreetCommits(const TestDatabase& database) {
    database.Execute(QStringLiteral("INSERT INTO TRAVA (ID) VALUES (1)"));
}

inline void UnlockStreetCommits(const TestDatabase& database) {
    database.Execute(QStringLiteral("DELETE FROM TRAVA"));
}
