#pragma once

#include <cmath>
#include <limits>
#include <type_traits>

namespace qel {

// A double as a signed whole number of type T: truncated toward zero, the
// nearest end of T's range beyond it, 0 for NaN. A plain static_cast of a
// double that T cannot hold is undefined behaviour.
template <typename T>
T SaturatingCast(double value)
{
    static_assert(std::is_integral_v<T> && std::is_signed_v<T>, "a signed whole-number type");
    // 2^(bits - 1), exact as a double; T::max() itself may not be.
    constexpr double limit = 2.0 * static_cast<double>(std::numeric_limits<T>::max() / 2 + 1);
    if (std::isnan(value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<T>::max();
    if (value < -limit)
        return std::numeric_limits<T>::min();
    return static_cast<T>(value);
}

} // namespace qel
