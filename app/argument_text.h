// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-line arguments are bytes: a device path need not be valid UTF-8
// and must still name its file. They are read as text without losing a byte,
// the way Python's "surrogateescape" does: valid UTF-8 as the characters it
// encodes, and each byte that is not part of any as a lone surrogate,
// U+DC80 to U+DCFF. Encoding that text again gives the very bytes back.

#include <QString>

#include <string>
#include <string_view>

namespace vp {

QString argumentText(std::string_view bytes);

std::string argumentBytes(const QString& text);

} // namespace vp
