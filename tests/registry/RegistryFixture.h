#pragma once

// A registry window on a throw-away database, with every message box answered: OK for
// information, and the queued answers (else No) for questions.

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QStringList>
#include <optional>

#include "app/uTotal.h"
#include "app/udmPrincipal.h"
#include "core/Messages.h"
#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "registry/uFrm_Logradouros.h"
#include "registry/udmLogradouros.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/WidgetInput.h"
#include "toolkit/TDBEdit.h"

class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        ClearShownMessages();
        SetMessageAnswerer([this](const TMessageRequest& request) {
            if (request.Kind != TMsgKind::Question) return TMsgButton::OK;
            return answers.isEmpty() ? TMsgButton::No : answers.takeFirst();
        });
    }

    void TearDown() override {
        delete window;
        window = nullptr;
        Frm_Logradouros = nullptr;
        delete dmPrincipal;
        dmPrincipal = nullptr;
        SetMessageAnswerer({});
    }

    // Streets given as (id, type, name); law number and year filled in.
    static TestDatabase DatabaseWith(const QList<std::tuple<int, QString, QString>>& streets) {
        TestDatabase database = TestDatabase::Empty();
        for (const auto& [id, tipo, nome] : streets) AddStreet(database, id, tipo, nome);
        return database;
    }

    static void AddStreet(const TestDatabase& database, int id, const QString& tipo,
                          const QString& nome) {
        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, LEI, ANO, TIPO, NOME) "
                                        "VALUES (?, '100', '1990', ?, ?)"),
                         {id, tipo, nome});
    }

    // Opens the window the way the main window does: create, refresh, show.
    TFrm_Logradouros& Open(TestDatabase opened) {
        database.emplace(std::move(opened));
        dmPrincipal = new TdmPrincipal;
        database->Configure(*dmPrincipal->TorvaneConnection);
        window = new TFrm_Logradouros;
        Frm_Logradouros = window;
        window->Botao_AtivaDesativa->click();
        ShowActive(*window);
        return *window;
    }

    TCachedDataSet& Record() const { return *dmLogradouros->cdsDados; }
    QString FieldText(const char* name) const {
        return Record().FieldByName(QString::fromLatin1(name))->AsString();
    }

    QStringList Messages() const {
        QStringList texts;
        for (const TMessageRequest& request : ShownMessages()) texts << request.Text;
        return texts;
    }

    static void Type(TDBEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        TypeText(box, text);
    }

    static QWidget* Focused() { return QApplication::focusWidget(); }

    std::optional<TestDatabase> database;
    TFrm_Logradouros* window = nullptr;
    QList<TMsgButton> answers;
};

// Lets gtest print texts readably.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
