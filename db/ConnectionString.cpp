#include "db/ConnectionString.h"

namespace qel {

ConnectionString ConnectionString::Parse(const QString& text)
{
    ConnectionString result;
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        while (pos < n && (text.at(pos) == QLatin1Char(';') || text.at(pos).isSpace()))
            ++pos;
        if (pos >= n)
            break;
        const qsizetype eq = text.indexOf(QLatin1Char('='), pos);
        if (eq < 0)
            break;
        const QString key = text.mid(pos, eq - pos).trimmed();
        pos = eq + 1;
        while (pos < n && text.at(pos).isSpace())
            ++pos;
        QString value;
        const QChar open = pos < n ? text.at(pos) : QChar();
        if (open == QLatin1Char('{') || open == QLatin1Char('"') || open == QLatin1Char('\'')) {
            const QChar close = open == QLatin1Char('{') ? QLatin1Char('}') : open;
            ++pos;
            while (pos < n) {
                if (text.at(pos) == close) {
                    if (pos + 1 < n && text.at(pos + 1) == close) { // doubled: a literal
                        value.append(close);
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                value.append(text.at(pos++));
            }
            const qsizetype semi = text.indexOf(QLatin1Char(';'), pos);
            pos = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = text.indexOf(QLatin1Char(';'), pos);
            value = text.mid(pos, (semi < 0 ? n : semi) - pos).trimmed();
            pos = semi < 0 ? n : semi + 1;
        }
        result.pairs_.emplace_back(key, value);
    }
    return result;
}

std::optional<QString> ConnectionString::value(const QString& key) const
{
    for (const auto& [k, v] : pairs_)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return std::nullopt;
}

QString OdbcPair(const QString& key, const QString& value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
        || value.contains(QLatin1Char('}')) || value.startsWith(QLatin1Char('"')) || value.startsWith(QLatin1Char('\''))
        || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return key + QLatin1Char('=') + value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return key + QLatin1String("={") + escaped + QLatin1Char('}');
}

QString AppendConnectionKey(const QString& connection, const QString& key, const QString& value)
{
    QString result = connection;
    if (!result.trimmed().isEmpty() && !result.trimmed().endsWith(QLatin1Char(';')))
        result += QLatin1Char(';');
    return result + OdbcPair(key, value);
}

} // namespace qel
