// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// 16-bit whole numbers that trap overflow, as the program's counters and the
// About picture's position require: an addition that would leave the range
// raises the overflow run-time error and the stored value stays as it was.

#include "runtime/runtime_error.h"

#include <cstdint>
#include <limits>

namespace vp {

inline std::int16_t checkedAdd(std::int16_t value, int step)
{
    const long long sum = static_cast<long long>(value) + step;
    if (sum > std::numeric_limits<std::int16_t>::max() || sum < std::numeric_limits<std::int16_t>::min())
        throw RuntimeError(ErrorCode::Overflow, "Overflow");
    return static_cast<std::int16_t>(sum);
}

// Adds in place; on overflow `value` is left untouched.
inline void addChecked(std::int16_t& value, int step) { value = checkedAdd(value, step); }

} // namespace vp
