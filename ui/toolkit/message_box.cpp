// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace vp {

namespace {

MessageBoxObserver& observer()
{
    static MessageBoxObserver installed;
    return installed;
}

} // namespace

void showMessageBox(const QString& text, const QString& title, BoxIcon icon)
{
    if (observer()) {
        observer()({text, title, icon});
        return;
    }
    QMessageBox box(icon == BoxIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void setMessageBoxObserver(MessageBoxObserver newObserver) { observer() = std::move(newObserver); }

} // namespace vp
