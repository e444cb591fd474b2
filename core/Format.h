#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <variant>

namespace qel {

// One argument of a printf-style format: an integer, a floating-point number
// or a text. Built implicitly so that calls read like printf.
class FormatArg {
public:
    FormatArg(int v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(double v) : value_(v) {}
    FormatArg(const QString& v) : value_(v) {}
    FormatArg(const char* v) : value_(QString::fromUtf8(v)) {}

    const std::variant<std::int64_t, double, QString>& value() const { return value_; }

private:
    std::variant<std::int64_t, double, QString> value_;
};

// Formats the way the C library's printf does for the conversions this
// program's texts use: %d %i %u %ld %s %g %f %x %%, with flags, width and
// precision (for example "%04ld" or "%.16g"). Arguments are taken in order;
// a missing argument formats as empty text, a surplus one is ignored, and an
// argument of the wrong kind is converted rather than misread: a number with
// a fraction for %d is truncated, one beyond 64 bits gives the nearest end
// of their range, and NaN gives 0. Widths and precisions stop at 9999.
QString Format(const QString& format, std::initializer_list<FormatArg> args);

} // namespace qel
