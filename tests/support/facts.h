// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's fixed facts (texts, controls and their places) as
// tests/support/facts.json states them once for every test, C++ and Python.

#include <QByteArray>
#include <QRect>
#include <QString>

#include <vector>

namespace vp::test {

struct ControlFact {
    QByteArray name;      // the control's object name
    QByteArray container; // its parent's object name
    const char* kind;     // the Qt class it is, or inherits from
    QString text;         // as it reads once the window has opened; empty for a picture
    QRect twips;          // left, top, width, height within the container
};

// A text of the file by its path, "messages.warning" or "main_window.title".
QString fact(const char* path);

// Every control of "main_window" or "about_window", containers before what
// they hold; the window's own controls sit in `topContainer`.
std::vector<ControlFact> controlsOf(const char* window, const char* topContainer);

} // namespace vp::test
