#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The arguments of one command, taken option by option. Options are written
// "--name VALUE" or "--name=VALUE"; whatever no call took is refused by Finish(), so a
// misspelt option never passes unnoticed. Failures raise ToolError(kExitUsage).
class Arguments {
public:
    Arguments(const QString& command, QStringList arguments);

    bool TakeFlag(const QString& name);
    // The value of an option that needs one.
    std::optional<QString> TakeValue(const QString& name);
    // An option whose value may be left out ("--print" or "--print QUEUE"): none when
    // the option is absent, an empty text when it has no value.
    std::optional<QString> TakeOptionalValue(const QString& name);
    // The remaining arguments that are not options; exactly `count` of them.
    QStringList TakePositionals(int count);
    void Finish() const;

    [[noreturn]] void Refuse(const QString& message) const;

private:
    qsizetype Find(const QString& name) const;

    QString FCommand;
    QStringList FArguments;
};
