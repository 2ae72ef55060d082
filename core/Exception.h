#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The one kind of failure the program raises: an exception carrying one message.
// Commands catch what they expect; everything else reaches the standard error display.
class Exception : public std::exception {
public:
    explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}

    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

// Failures of the data-access layer: session, queries, fields, record sets, providers.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A failure of the link to the database server: the server stopped or the network
// dropped while a call was under way, or the server cannot be reached at all. Whatever
// was not committed is not saved; the session attaches again at its next use.
class EConnectionLost : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};
