// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// An ordinary Qt program, which takes whatever the desktop offers: it prints
// the palette and font it has once the desktop's theme has had its say
// (some themes apply theirs only after start-up), one line:
//   window #RRGGBB text #RRGGBB font FAMILY PIXELS
// The desktop tests use it to show that each desktop they set up really is
// dark, before they show that the program's windows are not.

#include <QApplication>
#include <QFontInfo>
#include <QPalette>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QTimer::singleShot(500, &application, [] {
        const QPalette palette = QApplication::palette();
        const QFontInfo font(QApplication::font());
        std::printf("window %s text %s font %s %d\n", qPrintable(palette.color(QPalette::Window).name()),
                    qPrintable(palette.color(QPalette::WindowText).name()), qPrintable(font.family()),
                    font.pixelSize());
        QApplication::quit();
    });
    return QApplication::exec();
}
