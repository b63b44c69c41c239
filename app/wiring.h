#pragma once
// What joins the program's layers, in one place: the program, its tests and
// its benchmarks all start through these calls.

#include <memory>
#include <string>

class QApplication;

namespace vp {

class MediaControl;

// Names the application for the desktop, and gives it the program's look, the
// toolkit's own Finnish texts and its handling of held keys.
void prepareApplication(QApplication& application);

// Joins the drive layer to the windows: its information messages go to the
// program's message box, its diagnostics to standard error, and its commands
// to the platform's backend for `devicePath` (the platform's default drive
// when empty).
void connectDriveLayer(const std::string& devicePath = {});

// Makes `backend` the one that carries the tray commands. A command runs off
// the window thread while the window waits for it as for a modal box.
void useDriveBackend(std::shared_ptr<MediaControl> backend);

} // namespace vp
