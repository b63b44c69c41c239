// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/colours.h"

#include "ui/toolkit/palette.h"

namespace vp {

void setBackgroundColour(QWidget* widget, std::uint32_t bgr)
{
    widget->setPalette(surfacePalette(fromBgr(bgr), widget->backgroundRole()));
    widget->setAutoFillBackground(true);
}

std::uint32_t backgroundColour(const QWidget* widget)
{
    const QRgb rgb = widget->palette().color(widget->backgroundRole()).rgb();
    return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8)
        | (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

} // namespace vp
