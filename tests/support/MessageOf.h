#pragma once

// The message of the Exception an action raises, or "(no error)" when it raises none:
// lets a test compare what the user would be told in one expression.

#include <QString>
#include <functional>

#include "core/Exception.h"

inline QString MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return QStringLiteral("(no error)");
}
