#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace qel {

// A connection string as key=value pairs separated by semicolons. Values may
// be enclosed in braces or quotes so that they can hold semicolons.
class ConnectionString {
public:
    static ConnectionString Parse(const QString& text);

    // The value of the first key of this name, compared without letter case.
    std::optional<QString> value(const QString& key) const;
    bool has(const QString& key) const { return value(key).has_value(); }

    const std::vector<std::pair<QString, QString>>& pairs() const { return pairs_; }

    // Adds a pair after the others, as if the text had ended with it.
    void Append(const QString& key, const QString& value) { pairs_.emplace_back(key, value); }

private:
    std::vector<std::pair<QString, QString>> pairs_;
};

// Writes one key=value pair for an ODBC connection string, in braces when
// the value needs them to be read back as it is: when it holds a semicolon
// or a brace, starts with a quote, or starts or ends with a blank.
QString OdbcPair(const QString& key, const QString& value);

// Appends key=value to a connection string, with a separator when needed.
QString AppendConnectionKey(const QString& connection, const QString& key, const QString& value);

} // namespace qel
