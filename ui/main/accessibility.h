#pragma once
// What the main window tells screen readers beyond what its controls say by
// themselves: the name of the delay field and what the banner picture shows.

class QWidget;

namespace vp {

// Called once by the main window after its form is set up.
void describeMainWindowForAssistiveTechnology(QWidget& window);

} // namespace vp
