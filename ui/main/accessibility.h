#pragma once
// What the windows tell screen readers beyond what their controls say by
// themselves: the name of the delay field and what the pictures show.

class QWidget;

namespace vp {

// Called once by the main window after its form is set up.
void describeMainWindowForAssistiveTechnology(QWidget& window);

// Called once by the About window after its form is set up.
void describeAboutWindowForAssistiveTechnology(QWidget& window);

} // namespace vp
