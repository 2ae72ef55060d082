#pragma once

// Shows the requests of core/Messages.h as modal message boxes over the active window.
// The program's application object installs them at its start, as do the test programs;
// an answerer installed with SetMessageAnswerer still comes first.
void InstallMessageBoxes();
