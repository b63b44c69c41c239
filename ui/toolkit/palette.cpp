// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/palette.h"

#include <iterator>

namespace vp {

namespace {

// The colours Qt's Fusion style draws in on a desktop with no theme, where
// the windows were first made to look right; the inactive group is the
// active one. Given here rather than asked of the style, since the style
// answers with the desktop theme's palette when there is one.
struct RoleColours {
    QPalette::ColorRole role;
    QRgb normal; // 0xAARRGGBB
    QRgb disabled;
};

constexpr RoleColours kRoles[] = {
    {QPalette::WindowText, 0xff000000, 0xffbebebe},
    {QPalette::Button, 0xffefefef, 0xffefefef},
    {QPalette::Light, 0xffffffff, 0xffffffff},
    {QPalette::Midlight, 0xffcacaca, 0xffcacaca},
    {QPalette::Dark, 0xff9f9f9f, 0xffbebebe},
    {QPalette::Mid, 0xffb8b8b8, 0xffb8b8b8},
    {QPalette::Text, 0xff000000, 0xffbebebe},
    {QPalette::BrightText, 0xffffffff, 0xffffffff},
    {QPalette::ButtonText, 0xff000000, 0xffbebebe},
    {QPalette::Base, 0xffffffff, 0xffefefef},
    {QPalette::Window, 0xffefefef, 0xffefefef},
    {QPalette::Shadow, 0xff767676, 0xffb1b1b1},
    {QPalette::Highlight, 0xff308cc6, 0xff919191},
    {QPalette::HighlightedText, 0xffffffff, 0xffffffff},
    {QPalette::Link, 0xff0000ff, 0xff0000ff},
    {QPalette::LinkVisited, 0xffff00ff, 0xffff00ff},
    {QPalette::AlternateBase, 0xfff7f7f7, 0xfff7f7f7},
    {QPalette::ToolTipBase, 0xffffffdc, 0xffffffdc},
    {QPalette::ToolTipText, 0xff000000, 0xff000000},
    {QPalette::PlaceholderText, 0x80000000, 0x80000000},
};
static_assert(std::size(kRoles) == QPalette::NColorRoles - 1, "every role but NoRole has its colours");

} // namespace

const QPalette& programPalette()
{
    // Setting a colour marks its role as set, so a widget that holds this
    // palette inherits none of the application's.
    static const QPalette palette = [] {
        QPalette built;
        for (const RoleColours& entry : kRoles) {
            built.setColor(QPalette::Active, entry.role, QColor::fromRgba(entry.normal));
            built.setColor(QPalette::Inactive, entry.role, QColor::fromRgba(entry.normal));
            built.setColor(QPalette::Disabled, entry.role, QColor::fromRgba(entry.disabled));
        }
        return built;
    }();
    return palette;
}

} // namespace vp
