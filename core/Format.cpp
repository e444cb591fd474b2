#include "core/Format.h"

#include "core/SaturatingCast.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

#include <vector>

namespace qel {

namespace {

constexpr int kMaxField = 9999;

QString FormatInteger(const QByteArray& conversion, const FormatArg* arg)
{
    std::int64_t value = 0;
    if (arg) {
        const auto& v = arg->value();
        if (const auto* i = std::get_if<std::int64_t>(&v))
            value = *i;
        else if (const auto* d = std::get_if<double>(&v))
            value = SaturatingCast<std::int64_t>(*d);
        else
            value = std::get<QString>(v).toLongLong();
    }
    return QString::asprintf(conversion.constData(), static_cast<long long>(value));
}

QString FormatFloating(const QByteArray& conversion, const FormatArg* arg)
{
    double value = 0.0;
    if (arg) {
        const auto& v = arg->value();
        if (const auto* d = std::get_if<double>(&v))
            value = *d;
        else if (const auto* i = std::get_if<std::int64_t>(&v))
            value = static_cast<double>(*i);
        else
            value = std::get<QString>(v).toDouble();
    }
    return QString::asprintf(conversion.constData(), value);
}

QString FormatText(int width, bool leftAlign, int precision, const FormatArg* arg)
{
    QString text;
    if (arg) {
        const auto& v = arg->value();
        if (const auto* s = std::get_if<QString>(&v))
            text = *s;
        else if (const auto* i = std::get_if<std::int64_t>(&v))
            text = QString::number(*i);
        else
            text = QString::number(std::get<double>(v), 'g', 6);
    }
    if (precision >= 0 && text.size() > precision)
        text.truncate(precision);
    if (text.size() < width)
        text = leftAlign ? text.leftJustified(width) : text.rightJustified(width);
    return text;
}

} // namespace

QString Format(const QString& format, std::initializer_list<FormatArg> args)
{
    const std::vector<const FormatArg*> list = [&] {
        std::vector<const FormatArg*> v;
        for (const auto& a : args)
            v.push_back(&a);
        return v;
    }();
    std::size_t next = 0;
    auto takeArg = [&]() -> const FormatArg* { return next < list.size() ? list[next++] : nullptr; };

    QString out;
    out.reserve(format.size() + 16);
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            out.append(c);
            continue;
        }
        if (i + 1 < n && format.at(i + 1) == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            ++i;
            continue;
        }
        // Parse %[flags][width][.precision][length]conversion.
        qsizetype j = i + 1;
        QByteArray flags;
        while (j < n && format.at(j).unicode() < 128 && format.at(j).unicode() != 0
               && std::strchr("-+ #0", format.at(j).toLatin1())) {
            flags.append(format.at(j).toLatin1());
            ++j;
        }
        // Widths and precisions stop growing at kMaxField, so that a long
        // run of digits cannot overflow the count.
        int width = 0;
        while (j < n && format.at(j).isDigit())
            width = std::min(kMaxField, width * 10 + format.at(j++).digitValue());
        int precision = -1;
        if (j < n && format.at(j) == QLatin1Char('.')) {
            ++j;
            precision = 0;
            while (j < n && format.at(j).isDigit())
                precision = std::min(kMaxField, precision * 10 + format.at(j++).digitValue());
        }
        while (j < n && (format.at(j) == QLatin1Char('l') || format.at(j) == QLatin1Char('h')))
            ++j;
        if (j >= n) { // a lone % at the end stays as written
            out.append(format.mid(i));
            break;
        }
        const char conv = format.at(j).toLatin1();
        QByteArray conversion = "%" + flags;
        if (width > 0)
            conversion += QByteArray::number(width);
        if (precision >= 0)
            conversion += "." + QByteArray::number(precision);
        switch (conv) {
        case 'd':
        case 'i':
            out += FormatInteger(conversion + "lld", takeArg());
            break;
        case 'u':
            out += FormatInteger(conversion + "llu", takeArg());
            break;
        case 'x':
        case 'X':
            out += FormatInteger(conversion + "ll" + conv, takeArg());
            break;
        case 'g':
        case 'G':
        case 'f':
        case 'e':
        case 'E':
            out += FormatFloating(conversion + conv, takeArg());
            break;
        case 's':
            out += FormatText(width, flags.contains('-'), precision, takeArg());
            break;
        default: // unknown conversion: copy it through untouched
            out.append(format.mid(i, j - i + 1));
            break;
        }
        i = j;
    }
    return out;
}

} // namespace qel
