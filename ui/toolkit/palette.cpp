// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/toolkit/palette.h"

#include <iterator>

namespace vp {

namespace {

// The colours Qt's Fusion style draws in on a desktop with no theme, where
// the windows were first made to look right. Given here rather than asked of
// the style, since the style answers with the desktop theme's palette when
// there is one. One set serves every colour group: the inactive group is the
// active one, and so is the disabled group, since nothing in the windows is
// ever disabled but for the wait for a slow drive, which must not flash the
// windows grey.
struct RoleColour {
    QPalette::ColorRole role;
    QRgb colour; // 0xAARRGGBB
};

constexpr RoleColour kRoles[] = {
    {QPalette::WindowText, 0xff000000},
    {QPalette::Button, 0xffefefef},
    {QPalette::Light, 0xffffffff},
    {QPalette::Midlight, 0xffcacaca},
    {QPalette::Dark, 0xff9f9f9f},
    {QPalette::Mid, 0xffb8b8b8},
    {QPalette::Text, 0xff000000},
    {QPalette::BrightText, 0xffffffff},
    {QPalette::ButtonText, 0xff000000},
    {QPalette::Base, 0xffffffff},
    {QPalette::Window, 0xffefefef},
    {QPalette::Shadow, 0xff767676},
    {QPalette::Highlight, 0xff308cc6},
    {QPalette::HighlightedText, 0xffffffff},
    {QPalette::Link, 0xff0000ff},
    {QPalette::LinkVisited, 0xffff00ff},
    {QPalette::AlternateBase, 0xfff7f7f7},
    {QPalette::ToolTipBase, 0xffffffdc},
    {QPalette::ToolTipText, 0xff000000},
    {QPalette::PlaceholderText, 0x80000000},
};
static_assert(std::size(kRoles) == QPalette::NColorRoles - 1, "every role but NoRole has its colours");

} // namespace

const QPalette& programPalette()
{
    // Setting a colour marks its role as set, so a widget that holds this
    // palette inherits none of the application's.
    static const QPalette palette = [] {
        QPalette built;
        for (const RoleColour& entry : kRoles) built.setColor(entry.role, QColor::fromRgba(entry.colour));
        return built;
    }();
    return palette;
}

} // namespace vp
