#include "tool/Arguments.h"

#include "tool/ToolError.h"

Arguments::Arguments(const QString& command, QStringList arguments)
    : FCommand(command), FArguments(std::move(arguments)) {}

qsizetype Arguments::Find(const QString& name) const {
    const QString option = QStringLiteral("--") + name;
    for (qsizetype i = 0; i < FArguments.size(); ++i) {
        const QString& argument = FArguments.at(i);
        if (argument == option || argument.startsWith(option + QLatin1Char('='))) return i;
    }
    return -1;
}

bool Arguments::TakeFlag(const QString& name) {
    const qsizetype at = Find(name);
    if (at < 0) return false;
    if (FArguments.at(at).contains(QLatin1Char('=')))
        Refuse(QStringLiteral("a opção --%1 não leva valor.").arg(name));
    FArguments.removeAt(at);
    return true;
}

std::optional<QString> Arguments::TakeValue(const QString& name) {
    const qsizetype at = Find(name);
    if (at < 0) return std::nullopt;
    const QString argument = FArguments.takeAt(at);
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals >= 0) return argument.mid(equals + 1);
    if (at >= FArguments.size())
        Refuse(QStringLiteral("a opção --%1 precisa de um valor.").arg(name));
    return FArguments.takeAt(at);
}

std::optional<QString> Arguments::TakeOptionalValue(const QString& name) {
    const qsizetype at = Find(name);
    if (at < 0) return std::nullopt;
    const QString argument = FArguments.takeAt(at);
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals >= 0) return argument.mid(equals + 1);
    if (at < FArguments.size() && !FArguments.at(at).startsWith(QLatin1String("--")))
        return FArguments.takeAt(at);
    return QString();
}

QStringList Arguments::TakePositionals(int count) {
    QStringList positionals;
    for (qsizetype i = 0; i < FArguments.size();) {
        if (FArguments.at(i).startsWith(QLatin1String("--"))) {
            ++i;
        } else {
            positionals << FArguments.takeAt(i);
        }
    }
    if (positionals.size() != count) {
        Refuse(positionals.size() < count
                   ? QStringLiteral("faltam argumentos.")
                   : QStringLiteral("argumento a mais: \"%1\".").arg(positionals.at(count)));
    }
    return positionals;
}

void Arguments::Finish() const {
    if (!FArguments.isEmpty())
        Refuse(QStringLiteral("opção desconhecida: \"%1\".").arg(FArguments.first()));
}

void Arguments::Refuse(const QString& message) const {
    throw ToolError(kExitUsage,
                    QStringLiteral("%1: %2\nUse \"vialar-tool %1 --help\" para ver as opções.")
                        .arg(FCommand, message));
}
