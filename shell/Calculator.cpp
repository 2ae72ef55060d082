#include "shell/Calculator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <QWidget>

namespace Calculator {

namespace {

// Calculator programs of the common desktops, in order of preference.
const char* const kPrograms[] = {"gnome-calculator", "kcalc",         "galculator",
                                 "mate-calc",        "qalculate-gtk", "xcalc"};

// Each query of the window manager may take this long; a hung X server must not
// hang the button.
constexpr int kXpropTimeoutMs = 1000;
// ... and the whole search of the client windows this long.
constexpr int kXpropBudgetMs = 3000;

TProgramStarter& Starter() {
    static TProgramStarter starter;
    return starter;
}

bool StartDetached(const QString& program) {
    return QProcess::startDetached(program, {});
}

// Runs xprop with `arguments`; its standard output, or empty text on any failure.
QString RunXprop(const QStringList& arguments) {
    const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
    if (xprop.isEmpty()) return {};
    QProcess process;
    process.start(xprop, arguments);
    if (!process.waitForStarted(kXpropTimeoutMs) || !process.waitForFinished(kXpropTimeoutMs)) {
        process.kill();
        process.waitForFinished(kXpropTimeoutMs);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Undoes xprop's quoting of a string property: backslash escapes and octal bytes.
QString UnquoteXpropString(const QString& quoted) {
    QByteArray bytes;
    const QByteArray raw = quoted.toUtf8();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            if (i + 3 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7') {
                bytes.append(char(raw.mid(i + 1, 3).toInt(nullptr, 8)));
                i += 3;
            } else {
                bytes.append(raw[++i]);
            }
        } else {
            bytes.append(raw[i]);
        }
    }
    return QString::fromUtf8(bytes);
}

// Whether a window the X11 window manager lists as its client is titled `title`.
// The whole search gives up after kXpropBudgetMs, counting the window as absent.
bool X11ClientTitled(const QString& title) {
    QElapsedTimer clock;
    clock.start();
    const QString list = RunXprop({QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")});
    static const QRegularExpression windowId(QStringLiteral("0x[0-9a-fA-F]+"));
    static const QRegularExpression name(
        QStringLiteral(R"re(^(?:_NET_WM_NAME|WM_NAME)\([^)]*\) = "((?:[^"\\]|\\.)*)"\s*$)re"),
        QRegularExpression::MultilineOption);
    for (auto ids = windowId.globalMatch(list); ids.hasNext();) {
        if (clock.elapsed() > kXpropBudgetMs) return false;
        const QString output =
            RunXprop({QStringLiteral("-id"), ids.next().captured(0), QStringLiteral("_NET_WM_NAME"),
                      QStringLiteral("WM_NAME")});
        for (auto names = name.globalMatch(output); names.hasNext();) {
            if (UnquoteXpropString(names.next().captured(1)) == title) return true;
        }
    }
    return false;
}

}  // namespace

bool TopLevelWindowExists(const QString& title) {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow() && widget->isVisible() && widget->windowTitle() == title)
            return true;
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        return X11ClientTitled(title);
    }
    return false;
}

QString Start() {
    const TProgramStarter& start = Starter() ? Starter() : TProgramStarter(StartDetached);
    for (const char* name : kPrograms) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(name));
        if (!program.isEmpty() && start(program)) return program;
    }
    return {};
}

void SetProgramStarter(TProgramStarter starter) {
    Starter() = std::move(starter);
}

}  // namespace Calculator
