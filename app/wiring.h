#pragma once
// What joins the program's layers, in one place: the program, its tests and
// its benchmarks all start through these two calls.

#include <string>

class QApplication;

namespace vp {

// Names the application for the desktop, and gives it the program's look and
// the toolkit's own Finnish texts.
void prepareApplication(QApplication& application);

// Joins the drive layer to the windows: its information messages go to the
// program's message box, its diagnostics to standard error, and its commands
// to the platform's backend for `devicePath` (the platform's default drive
// when empty).
void connectDriveLayer(const std::string& devicePath = {});

} // namespace vp
