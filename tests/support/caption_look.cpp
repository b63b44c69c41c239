// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/caption_look.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace vp::test {

namespace {

double luminance(const QColor& colour)
{
    auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// Where the control draws its caption, leaving out a box's or an option's
// mark, whose colours are not the caption's.
QRect captionArea(QWidget* control)
{
    QStyle* style = control->style();
    // A frame's title stands above its outline.
    if (qobject_cast<QGroupBox*>(control)) return QRect(0, 0, control->width(), control->fontMetrics().height());
    const bool check = qobject_cast<QCheckBox*>(control);
    if (check || qobject_cast<QRadioButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(control);
        return style->subElementRect(check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents,
                                     &option, control);
    }
    return control->contentsRect();
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

double captionContrast(QWidget* control)
{
    const QImage shot = control->grab(captionArea(control)).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) ++counts[shot.pixel(x, y)];
    if (counts.isEmpty()) return 1.0;
    const QRgb background = std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](auto a, auto b) {
                                return a.second < b.second;
                            })->first;
    double widest = 1.0;
    for (auto it = counts.keyBegin(); it != counts.keyEnd(); ++it)
        widest = std::max(widest, contrastRatio(QColor(*it), QColor(background)));
    return widest;
}

DarkDesktopTheme::DarkDesktopTheme() : palette_(QApplication::palette()), font_(QApplication::font())
{
    // Qt derives light text for a dark button colour.
    QApplication::setPalette(QPalette(window()));
    QFont large(QStringLiteral("DejaVu Sans"));
    large.setPixelSize(16);
    QApplication::setFont(large);
}

DarkDesktopTheme::~DarkDesktopTheme()
{
    QApplication::setPalette(palette_);
    QApplication::setFont(font_);
}

void verifyCaptionsRead(const QWidget& window, const std::vector<ControlFact>& controls)
{
    for (const ControlFact& c : controls) {
        if (c.text.isEmpty()) continue; // a picture
        const double contrast = captionContrast(window.findChild<QWidget*>(QString::fromUtf8(c.name)));
        QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1: %2 : 1").arg(QString::fromUtf8(c.name)).arg(contrast)));
    }
}

} // namespace vp::test
