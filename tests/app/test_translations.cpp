// Qt's Brazilian Portuguese translations: the standard boxes speak Portuguese, the
// program's own texts (and the English preview) stay as written, and a missing
// translation file changes nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include "app/uTotal.h"
#include "core/Messages.h"
#include "report_engine/ui/preview/TSearchDlg.h"
#include "shell/uFrm_Principal.h"
#include "toolkit/Translations.h"

namespace {

struct ShownBox {
    QString Caption, Text;
    QStringList Buttons;  // without access-key marks
    QString DefaultButton;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

// Reads the first message box that opens and answers it with the button whose text is
// `answer`, or closes it after a while, so that a box left open fails instead of
// hanging.
void ReadNextBox(ShownBox& shown, const QString& answer, int attempts = 300) {
    QTimer::singleShot(10, [&shown, answer, attempts] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (attempts > 0) return ReadNextBox(shown, answer, attempts - 1);
            ADD_FAILURE() << "no message box appeared";
            return;
        }
        shown.Caption = box->windowTitle();
        shown.Text = box->text();
        shown.Icon = box->icon();
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            const QString text = button->text().remove(QLatin1Char('&'));
            shown.Buttons << text;
            if (text == answer) chosen = button;
        }
        if (box->defaultButton())
            shown.DefaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
        if (chosen)
            chosen->click();
        else
            box->reject();
    });
}

class TranslationsTest : public testing::Test {
protected:
    void SetUp() override { SetMessageAnswerer({}); }
    void TearDown() override {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        delete Frm_Principal;
        Frm_Principal = nullptr;
    }

    // Asks the exit question of a real main window and answers `answer`.
    ShownBox ExitQuestion(const QString& answer) {
        Frm_Principal = new TFrm_Principal;
        QPointer<TFrm_Principal> window = Frm_Principal;
        window->show();
        ShownBox shown;
        ReadNextBox(shown, answer);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (window.isNull()) Frm_Principal = nullptr;
        return shown;
    }
};

TEST_F(TranslationsTest, ExitQuestionAnswersInPortuguese) {
    ASSERT_TRUE(InstallQtTranslations())
        << "no Qt pt_BR file in " << QtTranslationsFolder().toStdString();

    const ShownBox shown = ExitQuestion(QStringLiteral("Não"));
    EXPECT_EQ(shown.Buttons, (QStringList{QStringLiteral("Sim"), QStringLiteral("Não")}));
    EXPECT_EQ(shown.DefaultButton, QStringLiteral("Sim"));
    EXPECT_EQ(shown.Text, QStringLiteral("Deseja sair do sistema?"));
    EXPECT_EQ(shown.Caption, Descricao_Sistema);
    EXPECT_EQ(shown.Icon, QMessageBox::Question);
    // "Não" kept the program running.
    ASSERT_NE(Frm_Principal, nullptr);
    EXPECT_TRUE(Frm_Principal->isVisible());

    // The preview's own dialog keeps its English texts.
    TSearchDlg search;
    QStringList captions;
    for (const QPushButton* button : search.findChildren<QPushButton*>())
        captions << button->text();
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Search"), QStringLiteral("Cancel")}));
}

TEST_F(TranslationsTest, MissingTranslationFileChangesNothing) {
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    EXPECT_FALSE(InstallQtTranslations(empty.path()));
    EXPECT_TRUE(qApp->findChildren<QTranslator*>().isEmpty());

    const ShownBox shown = ExitQuestion(QStringLiteral("No"));
    EXPECT_EQ(shown.Buttons, (QStringList{QStringLiteral("Yes"), QStringLiteral("No")}));
    EXPECT_EQ(shown.DefaultButton, QStringLiteral("Yes"));
    EXPECT_EQ(shown.Text, QStringLiteral("Deseja sair do sistema?"));
    EXPECT_EQ(shown.Icon, QMessageBox::Question);
    ASSERT_NE(Frm_Principal, nullptr);
    EXPECT_TRUE(Frm_Principal->isVisible());
}

}  // namespace
