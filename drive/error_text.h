// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An errno value in words for the drive layer's diagnostics: always English,
// whatever locale the program runs in, since the lines are read in logs and
// bug reports.

#include <string>

#include <string.h>

namespace vp {

// "input/output error"; "error 1234" for a value the C library does not know.
inline std::string errorText(int code)
{
    const char* description = ::strerrordesc_np(code);
    if (!description) return "error " + std::to_string(code);
    std::string text(description);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && !(text.size() > 1 && text[1] >= 'A' && text[1] <= 'Z'))
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

} // namespace vp
