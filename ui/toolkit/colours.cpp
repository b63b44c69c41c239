// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/colours.h"

#include <QPalette>

namespace vp {

void setBackgroundColour(QWidget* widget, std::uint32_t bgr)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), fromBgr(bgr));
    palette.setColor(QPalette::Window, fromBgr(bgr));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

std::uint32_t backgroundColour(const QWidget* widget)
{
    const QRgb rgb = widget->palette().color(widget->backgroundRole()).rgb();
    return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8)
        | (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

} // namespace vp
