#pragma once

#include <QString>
#include <functional>

// Starting the desktop calculator for the main window's toolbar button.
namespace Calculator {

// True when a top-level window titled exactly `title` is open: one of this program's
// own windows or, under X11, any client window the window manager lists.
bool TopLevelWindowExists(const QString& title);

// Starts the first calculator program found on PATH, detached, without waiting for it.
// Returns the program started, or empty text when none could be started; the caller
// reports nothing either way.
QString Start();

// Test seam: how a program is started (default: detached process). An empty function
// restores the default.
using TProgramStarter = std::function<bool(const QString& program)>;
void SetProgramStarter(TProgramStarter starter);

}  // namespace Calculator
