// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/picture_box.h"

#include <QFileInfo>
#include <QPainter>
#include <QStyle>

namespace vp {

void PictureBox::setPicture(const QString& path)
{
    picture_ = path;
    setPixmap(QPixmap(path));
    sharp_ = QPixmap();
    sharpRead_ = false;
}

// Most screens never need the sharp drawing, and decoded it would take more
// memory than the rest of the window's pictures together.
const QPixmap& PictureBox::sharp()
{
    if (!sharpRead_) {
        const QFileInfo file(picture_);
        sharp_ = QPixmap(file.path() + QLatin1Char('/') + file.completeBaseName() + QLatin1String("@2x.") +
                         file.suffix());
        sharpRead_ = true;
    }
    return sharp_;
}

// Drawn by hand rather than by QLabel, which greys a disabled label's picture:
// the windows are disabled while they wait for a slow drive, and must not
// change their look.
void PictureBox::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const bool useSharp = devicePixelRatioF() > 1 && !picture_.isEmpty() && !sharp().isNull();
    QPainter painter(this);
    // At a ratio between 1 and 2 the sharp drawing is shrunk a little.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, useSharp);
    style()->drawItemPixmap(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
                            useSharp ? sharp_ : pixmap());
}

} // namespace vp
