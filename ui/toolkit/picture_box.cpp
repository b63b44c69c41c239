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
    const QFileInfo file(path);
    sharp_ = QPixmap(file.path() + QLatin1Char('/') + file.completeBaseName() + QLatin1String("@2x.")
                     + file.suffix());
    // Qt reads the ratio off an @2x name as well; saying it keeps that plain.
    sharp_.setDevicePixelRatio(2);
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    if (devicePixelRatioF() <= 1 || sharp_.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QFrame::paintEvent(event);
    QPainter painter(this);
    // At a ratio between 1 and 2 the sharp drawing is shrunk a little.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    style()->drawItemPixmap(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()), sharp_);
}

} // namespace vp
