// Who answers a message request: a test's answerer first, then what shows boxes (the
// widget boxes every test program installs, as the program does), and without either
// the request's default button, so that a program without windows never waits on a box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "core/Messages.h"
#include "toolkit/MessageBoxes.h"

namespace {

class MessageRoutingTest : public testing::Test {
protected:
    void SetUp() override {
        SetMessageAnswerer({});
        ClearShownMessages();
    }
    void TearDown() override {
        SetMessageAnswerer({});
        InstallMessageBoxes();
    }
    const TMessageRequest kQuestion{QStringLiteral("Confirma?"), QStringLiteral("Vialar"),
                                    TMsgKind::Question,
                                    {TMsgButton::Yes, TMsgButton::No},
                                    TMsgButton::No};
};

TEST_F(MessageRoutingTest, AnswererComesBeforeThePresenter) {
    int presented = 0;
    SetMessagePresenter([&](const TMessageRequest&) {
        ++presented;
        return TMsgButton::Cancel;
    });
    SetMessageAnswerer([](const TMessageRequest&) { return TMsgButton::Yes; });
    EXPECT_EQ(ShowMessageBox(kQuestion), TMsgButton::Yes);
    EXPECT_EQ(presented, 0);

    SetMessageAnswerer({});
    EXPECT_EQ(ShowMessageBox(kQuestion), TMsgButton::Cancel);
    EXPECT_EQ(presented, 1);
    ASSERT_EQ(ShownMessages().size(), 2);
    EXPECT_EQ(ShownMessages()[1].Text, QStringLiteral("Confirma?"));
}

TEST_F(MessageRoutingTest, WithoutPresenterTheDefaultButtonAnswers) {
    SetMessagePresenter({});
    EXPECT_EQ(ShowMessageBox(kQuestion), TMsgButton::No);
    EXPECT_FALSE(AskQuestion(QStringLiteral("Sair?"), QStringLiteral("Vialar"), TMsgButton::No));
    EXPECT_TRUE(AskQuestion(QStringLiteral("Sair?"), QStringLiteral("Vialar"), TMsgButton::Yes));
    EXPECT_EQ(ShownMessages().size(), 3);
}

TEST_F(MessageRoutingTest, InstalledBoxesShowTheRequestWithItsButtons) {
    InstallMessageBoxes();
    QString text;
    int buttons = 0;
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        text = box->text();
        buttons = box->buttons().size();
        box->button(QMessageBox::Yes)->click();
    });
    poll.start(10);
    QTimer::singleShot(5000, [] {
        if (auto* box = QApplication::activeModalWidget()) box->close();  // never hang
    });
    EXPECT_EQ(ShowMessageBox(kQuestion), TMsgButton::Yes);
    EXPECT_TRUE(seen);
    EXPECT_EQ(text, QStringLiteral("Confirma?"));
    EXPECT_EQ(buttons, 2);
}

}  // namespace
