// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for the start-up, idle and timer benchmarks: a bare Qt window
// built from the main window's own form, so it holds the same widgets at the
// same places with the same texts, and nothing else: the toolkit's default
// style, font and palette, no picture, no translation, no handlers.
//
// Each option adds back one thing the program does at start-up, so that the
// benchmark can tell where the program's extra time and memory go:
//   --picture=FILE       decode a JPEG into the picture label
//   --font=FAMILY:PIXELS the program's font for the whole application
//   --translation        load the toolkit's Finnish texts (qtbase_fi)
//   --palettes           every control with a background colour of its own
//   --timers             three precise timers at 1000, 1857 and 2253 ms, each
//                        repainting the window's background, as colour
//                        cycling at a delay of 1 s does

#include "ui_fm_ponkka.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTranslator>

namespace {

void paint(QWidget* widget, QColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QString picture;
    bool palettes = false;
    bool timers = false;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        if (argument.startsWith(QLatin1String("--picture="))) {
            picture = argument.mid(10);
        } else if (argument.startsWith(QLatin1String("--font="))) {
            const QStringList parts = argument.mid(7).split(QLatin1Char(':'));
            QFont font(parts.value(0));
            font.setPixelSize(parts.value(1, QStringLiteral("11")).toInt());
            QApplication::setFont(font);
        } else if (argument == QLatin1String("--translation")) {
            auto* translator = new QTranslator(&application);
            if (translator->load(QStringLiteral("qtbase_fi"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                QApplication::installTranslator(translator);
        } else if (argument == QLatin1String("--palettes")) {
            palettes = true;
        } else if (argument == QLatin1String("--timers")) {
            timers = true;
        } else {
            qFatal("floor: unknown option %s", qPrintable(argument));
        }
    }

    // The main window's own generated form on a bare window: the same
    // controls, texts and places, and nothing the program adds at start-up.
    // The banner's resource is not linked in, so the picture stays empty
    // unless --picture gives it one.
    QMainWindow window;
    Ui::FmPonkka form;
    form.setupUi(&window);
    QWidget* central = form.centralwidget;
    QObject::connect(form.mnuSulje, &QAction::triggered, &window, &QWidget::close);
    if (palettes) {
        for (QWidget* control : central->findChildren<QWidget*>()) {
            if (!qobject_cast<QPushButton*>(control) && !qobject_cast<QLineEdit*>(control))
                paint(control, Qt::yellow);
        }
        paint(central, Qt::yellow);
    }
    if (!picture.isEmpty()) form.Picture1->setPixmap(QPixmap(picture));
    window.resize(511, 304 + window.menuBar()->sizeHint().height());

    if (timers) {
        const std::pair<const char*, int> periods[] = {{"Timer1", 1000}, {"Timer2", 1857}, {"Timer3", 2253}};
        const QColor colours[] = {Qt::yellow, Qt::green, Qt::red};
        for (int i = 0; i < 3; ++i) {
            auto* timer = new QTimer(&window);
            timer->setObjectName(QLatin1String(periods[i].first));
            timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer, &QTimer::timeout, central, [central, colour = colours[i]] { paint(central, colour); });
            timer->start(periods[i].second);
        }
    }

    window.show();
    return QApplication::exec();
}
