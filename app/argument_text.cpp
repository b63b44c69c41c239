// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/argument_text.h"

namespace vp {

namespace {

constexpr char16_t kEscapedByte = 0xDC00; // plus the byte, 0x80 to 0xFF

// The length of the UTF-8 sequence that `lead` begins, 0 when it begins none.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}

// The character the sequence of `length` bytes at the start of `bytes`
// encodes, or none (char32_t(-1)) when it is cut short, overlong, a
// surrogate or beyond Unicode: such bytes encode no character and are kept
// as bytes.
char32_t decoded(std::string_view bytes, int length)
{
    constexpr char32_t kNone = char32_t(-1);
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (length == 0 || bytes.size() < std::size_t(length)) return kNone;
    char32_t point = static_cast<unsigned char>(bytes[0]) & (0xFF >> (length + (length > 1)));
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) return kNone;
        point = point << 6 | (next & 0x3F);
    }
    if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return kNone;
    return point;
}

} // namespace

QString argumentText(std::string_view bytes)
{
    QString text;
    while (!bytes.empty()) {
        const auto lead = static_cast<unsigned char>(bytes.front());
        const int length = sequenceLength(lead);
        const char32_t point = decoded(bytes, length);
        if (point == char32_t(-1)) {
            text += QChar(char16_t(kEscapedByte + lead));
            bytes.remove_prefix(1);
        } else {
            text += QString::fromUcs4(&point, 1);
            bytes.remove_prefix(length);
        }
    }
    return text;
}

std::string argumentBytes(const QString& text)
{
    std::string bytes;
    QString characters; // not yet encoded
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        const bool pairsWithPrevious = i > 0 && text[i - 1].isHighSurrogate();
        if (unit >= kEscapedByte + 0x80 && unit <= kEscapedByte + 0xFF && !pairsWithPrevious) {
            bytes += characters.toStdString();
            characters.clear();
            bytes += char(unit - kEscapedByte);
        } else {
            characters += text[i];
        }
    }
    return bytes + characters.toStdString();
}

} // namespace vp
