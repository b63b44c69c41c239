// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Colours as the program names them: 24-bit values laid out 0x00BBGGRR, blue
// in the high byte and red in the low one.

#include <QColor>
#include <QWidget>

#include <cstdint>

namespace vp {

inline constexpr std::uint32_t kYellow = 0x00FFFF;
inline constexpr std::uint32_t kGreen = 0x00FF00;
inline constexpr std::uint32_t kRed = 0x0000FF;

constexpr QRgb bgrToRgb(std::uint32_t bgr)
{
    return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

inline QColor fromBgr(std::uint32_t bgr) { return QColor(bgrToRgb(bgr)); }

// Paints the widget's own surface and nothing else: children that set their
// own background keep it. Check boxes and radio buttons fill with the button
// role, so both roles are set.
void setBackgroundColour(QWidget* widget, std::uint32_t bgr);

// The colour the widget's own surface is painted in, as 0x00BBGGRR.
std::uint32_t backgroundColour(const QWidget* widget);

} // namespace vp
