// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/look.h"

#include "ui/toolkit/palette.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QPainter>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTranslator>

namespace vp {

namespace {

// The face's file as fonts-liberation installs it and as the Windows package
// puts it beside the program.
constexpr char kFontFile[] = "LiberationSansNarrow-Regular.ttf";

// Fusion shades the inside of a frame a little darker than its background,
// which would turn a yellow frame off-yellow. Frames here are drawn as a plain
// outline, so their inside shows exactly their own colour. And it draws a
// disabled push button's outline a shade lighter whatever the palette; the
// only time a button here is disabled is the wait for a slow drive, which
// must not change the look (the palette sees to the rest).
class ProgramStyle : public QProxyStyle {
public:
    ProgramStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_PanelButtonCommand && !(option->state & State_Enabled)) {
            QStyleOptionButton enabled;
            if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option)) enabled = *button;
            else enabled.QStyleOption::operator=(*option);
            enabled.state |= State_Enabled;
            QProxyStyle::drawPrimitive(element, &enabled, painter, widget);
            return;
        }
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(option->palette.color(QPalette::Window).darker(150));
        painter->setBrush(Qt::NoBrush);
        // The caption sits above the outline, as Fusion places it.
        const int captionHeight =
            qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) + 3;
        painter->drawRect(option->rect.adjusted(0, captionHeight, -1, -1));
        painter->restore();
    }
};

} // namespace

void ignoreDesktopTheme() { QGuiApplication::setDesktopSettingsAware(false); }

QFont programFont()
{
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPixelSize(11);
    return font;
}

void applyProgramLook(QApplication& application)
{
    application.setStyle(new ProgramStyle);
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kFontFile));
    if (QFileInfo::exists(besideProgram)) QFontDatabase::addApplicationFont(besideProgram);
    application.setFont(programFont());
    // The style keeps what it draws in the pixmap cache, keyed by palette, and
    // every About window brings palettes of its own. Two small windows need
    // far less than Qt's default 10 MiB, so opening the About window again and
    // again does not make the program grow.
    QPixmapCache::setCacheLimit(512);
}

void applyWindowLook(QWidget& window)
{
    window.setPalette(programPalette());
    window.setFont(programFont());
}

bool installFinnishTranslations(QCoreApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_fi"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace vp
