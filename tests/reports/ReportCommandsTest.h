#pragma once

// The street listing's commands as the main window runs them: the main window of the
// program over the listing's test database, with the filter dialog opened from its
// menu item.

#include <QAction>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "reports/uFrm_PorGeral.h"
#include "shell/uFrm_Principal.h"
#include "tests/reports/ListingTest.h"
#include "tests/support/WidgetInput.h"
#include "toolkit/TEdit.h"

class ReportCommandsTest : public ListingTest {
protected:
    void SetUp() override {
        ListingTest::SetUp();
        window = new TFrm_Principal;
        Frm_Principal = window;
        // The main window may install the real preview: read the pages instead.
        CapturePreviews();
    }

    void TearDown() override {
        delete window;
        Frm_Principal = nullptr;
        ListingTest::TearDown();
    }

    // Opens the filter dialog from its menu item and runs `use` on it while it is shown;
    // the dialog is closed afterwards unless `use` closed it.
    void WithDialog(const std::function<void(TFrm_PorGeral&)>& use) {
        bool used = false;
        QTimer::singleShot(0, [&] {
            if (Frm_PorGeral == nullptr) return;
            used = true;
            use(*Frm_PorGeral);
            if (Frm_PorGeral != nullptr && Frm_PorGeral->isVisible())
                Frm_PorGeral->Botao_Fechar->click();
        });
        window->RelatriodosLogradourosporFiltragem1->trigger();
        EXPECT_TRUE(used) << "the dialog did not open";
        EXPECT_EQ(Frm_PorGeral, nullptr);
    }

    static void Type(TEdit* box, const QString& text) {
        box->setFocus();
        TypeText(box, text);
    }

    TFrm_Principal* window = nullptr;
};
