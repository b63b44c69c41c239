// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tests share: the program's fixed texts, finding a control
// by its name, and a fixture that gives each test case a fresh main window
// with fresh counters, a recording drive and recorded message boxes.

#include "app/wiring.h"
#include "tests/support/facts.h"
#include "tests/support/recording_media_control.h"
#include "ui/main/fm_ponkka.h"
#include "ui/toolkit/interval_timer.h"
#include "ui/toolkit/message_box.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace vp::test {

inline const QString kWarning = fact("messages.warning");
inline const QString kOpenAdvert = fact("messages.open_advert");
inline const QString kCloseAdvert = fact("messages.close_advert");

// The control called `name` under `root`; a missing one ends the test
// program, as every later check would be meaningless.
QObject* findNamed(const QObject* root, const char* name, const char* type);

template <typename T = QWidget>
T* childOf(const QObject* root, const char* name)
{
    return static_cast<T*>(findNamed(root, name, T::staticMetaObject.className()));
}

// Starts the application as the program does (look, Finnish texts, the drive
// layer's wiring) and sets the Finnish locale the delay field is read in.
// Called once, from initTestCase().
void prepareProgram();

// A click as the user makes it: through the window system into the control's
// window, so that a window blocked by a modal one never receives it.
void userClick(QWidget* widget);

// An action ("Press", "Toggle") on a control, or on the menu command called
// `item` in a menu, as a screen reader asks for it over AT-SPI: a call that
// reaches the control directly, with no input event on the way.
void accessibleAction(QWidget* control, const QString& action, const QString& item = {});

class MainWindowFixture {
public:
    // Call from init() and cleanup(). setUp() leaves the counters at values
    // the window's load must clear, and shows the window.
    void setUp();
    void tearDown();

    FmPonkka& window() const { return *window_; }
    template <typename T = QWidget>
    T* child(const char* name) const { return childOf<T>(window_.get(), name); }
    IntervalTimer* timer(const char* name) const { return child<IntervalTimer>(name); }
    QWidget* surface() const { return child("centralwidget"); }
    QString label(const char* name) const;

    void tickGate(bool check2 = true, bool check3 = true) const;
    void click(const char* name) const;
    // Selects the colour option, types the delay and presses "&Käytä".
    void apply(const char* option, const QString& delay = QStringLiteral("1")) const;

    std::shared_ptr<RecordingMediaControl> drive;
    std::vector<MessageBoxCall> boxes;
    // Runs while each box is up, to look at the window at that moment.
    std::function<void(const MessageBoxCall&)> whileBoxIsUp;

private:
    std::unique_ptr<FmPonkka> window_;
};

} // namespace vp::test
