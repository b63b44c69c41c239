// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "drive/diagnostics.h"

#include <mutex>
#include <string_view>
#include <utility>

namespace vp {

namespace {

// Tray commands run on a worker thread while the program may ask what is
// under way on its own thread.
std::mutex activityMutex;

DriveActivity& activity()
{
    static DriveActivity what;
    return what;
}

// The length of the well-formed UTF-8 sequence at `at`, or 0 when there is
// none (a stray or overlong byte, a surrogate, a cut-off sequence).
std::size_t sequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(k) < 0x80 || byte(k) > 0xbf) return 0;
    return length;
}

} // namespace

// Escapes C0 and C1 controls, DEL, bytes outside well-formed UTF-8 and the
// backslash itself; everything else is kept, so "/media/käyttäjä" reads as it is.
std::string printableLine(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string line;
    line.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7f) {
            if (byte == '\\') line += '\\';
            line += static_cast<char>(byte);
            ++at;
            continue;
        }
        const std::size_t length = sequenceLength(text, at);
        // U+0080..U+009F are controls too; escaping their lead byte leaves
        // the second a stray byte, escaped in turn.
        const bool c1 = length == 2 && byte == 0xc2 && static_cast<unsigned char>(text[at + 1]) < 0xa0;
        if (length == 0 || c1) {
            line += "\\x";
            line += hex[byte >> 4];
            line += hex[byte & 0xf];
            ++at;
            continue;
        }
        line.append(text.substr(at, length));
        at += length;
    }
    return line;
}

ActivityNote::ActivityNote(DriveActivity what)
{
    const std::lock_guard lock(activityMutex);
    activity() = std::move(what);
}

ActivityNote::~ActivityNote()
{
    const std::lock_guard lock(activityMutex);
    activity() = {};
}

DriveActivity driveActivity()
{
    const std::lock_guard lock(activityMutex);
    return activity();
}

} // namespace vp
