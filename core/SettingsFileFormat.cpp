#include "core/SettingsFileFormat.h"

#include <QStringList>

namespace qel {

namespace {

// The first line of every file this format writes. Its presence tells a
// file of this format from one written by Qt's INI format, whose unquoted
// values carry escapes.
const QString kHeader = QStringLiteral("# QelCleanup settings");
const char* const kHeaderText =
    "# QelCleanup settings. Each value is read exactly as it is written after the\n"
    "# first \"=\", up to the end of the line: backslashes, commas, semicolons and\n"
    "# quotes are part of it. A value wholly between double quotes loses them, and\n"
    "# inside them \\\\ stands for a backslash and \\\" for a quote.\n";

// Qt's INI files keep the keys of no group in this section.
const QString kGeneral = QStringLiteral("General");

// The value of a hexadecimal digit, or -1.
int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool IsHexDigit(QChar c)
{
    return HexValue(c) >= 0;
}

bool IsOctalDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('7');
}

// Undoes the escapes of Qt's INI writer (and of this format's quoted
// values). False when the text cannot have come from such a writer: a
// backslash that starts no escape, or a bare double quote.
bool DecodeEscapes(const QString& text, QString& decoded)
{
    decoded.clear();
    decoded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"'))
            return false;
        if (c != QLatin1Char('\\')) {
            decoded += c;
            continue;
        }
        if (++i >= text.size())
            return false;
        const char e = text.at(i).toLatin1();
        switch (e) {
        case 'a': decoded += QChar(0x07); break;
        case 'b': decoded += QChar(0x08); break;
        case 'f': decoded += QChar(0x0C); break;
        case 'n': decoded += QChar(0x0A); break;
        case 'r': decoded += QChar(0x0D); break;
        case 't': decoded += QChar(0x09); break;
        case 'v': decoded += QChar(0x0B); break;
        case '"':
        case '\'':
        case '?':
        case '\\':
            decoded += QLatin1Char(e);
            break;
        case 'x': {
            uint value = 0;
            qsizetype digits = 0;
            while (i + 1 < text.size() && IsHexDigit(text.at(i + 1))) {
                value = value * 16 + static_cast<uint>(HexValue(text.at(++i)));
                ++digits;
            }
            if (digits == 0)
                return false;
            decoded += QChar(static_cast<char16_t>(value));
            break;
        }
        default: {
            if (!IsOctalDigit(text.at(i)))
                return false;
            uint value = static_cast<uint>(e - '0');
            while (i + 1 < text.size() && IsOctalDigit(text.at(i + 1)))
                value = value * 8 + static_cast<uint>(text.at(++i).toLatin1() - '0');
            decoded += QChar(static_cast<char16_t>(value));
        }
        }
    }
    return true;
}

// A value written between double quotes: the text between them, with
// escapes undone when every backslash is one. A quoted text whose
// backslashes are not all escapes was quoted by a person and keeps them;
// a value with further quotes inside ("a";b="c") is no quoted value.
bool Unquote(const QString& value, QString& unquoted)
{
    if (value.size() < 2 || !value.startsWith(QLatin1Char('"')) || !value.endsWith(QLatin1Char('"')))
        return false;
    const QString inner = value.mid(1, value.size() - 2);
    if (DecodeEscapes(inner, unquoted))
        return true;
    if (inner.contains(QLatin1Char('"')))
        return false;
    unquoted = inner;
    return true;
}

QString ValueOfThisFormat(const QString& written)
{
    QString unquoted;
    return Unquote(written, unquoted) ? unquoted : written;
}

// A value of a file written by Qt's INI format. Its writer quoted every
// text holding ';', ',' or '=' or beginning or ending with a blank, escaped
// backslashes and quotes everywhere, and doubled a leading '@'.
QString ValueOfQtIni(const QString& written)
{
    QString value;
    if (!Unquote(written, value)) {
        const bool couldBeQts = !written.contains(QLatin1Char(';')) && !written.contains(QLatin1Char(','))
            && !written.contains(QLatin1Char('='));
        if (!couldBeQts || !DecodeEscapes(written, value))
            value = written;
    }
    if (value.startsWith(QLatin1String("@@")))
        return value.mid(1);
    if (value.startsWith(QLatin1String("@String(")) && value.endsWith(QLatin1Char(')')))
        return value.mid(8, value.size() - 9);
    if (value == QLatin1String("@Invalid()"))
        return QString();
    return value;
}

bool NeedsQuotes(const QString& value)
{
    if (value.isEmpty())
        return false;
    if (value.front().isSpace() || value.back().isSpace() || value.startsWith(QLatin1Char('"')))
        return true;
    for (const QChar c : value)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}

QString Quoted(const QString& value)
{
    QString quoted = QStringLiteral("\"");
    bool escapeHexDigit = false; // a hex escape must not run into the next character
    for (const QChar c : value) {
        if (escapeHexDigit && IsHexDigit(c)) {
            quoted += QStringLiteral("\\x%1").arg(uint(c.unicode()), 0, 16);
            continue;
        }
        escapeHexDigit = false;
        switch (c.unicode()) {
        case '\\': quoted += QLatin1String("\\\\"); break;
        case '"': quoted += QLatin1String("\\\""); break;
        case '\t': quoted += QLatin1String("\\t"); break;
        case '\n': quoted += QLatin1String("\\n"); break;
        case '\r': quoted += QLatin1String("\\r"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
                quoted += QStringLiteral("\\x%1").arg(uint(c.unicode()), 0, 16);
                escapeHexDigit = true;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + QLatin1Char('"');
}

QString WrittenValue(const QVariant& value)
{
    const QString text = value.toString();
    return NeedsQuotes(text) ? Quoted(text) : text;
}

} // namespace

bool ReadSettingsFile(QIODevice& device, QSettings::SettingsMap& map)
{
    QString text = QString::fromUtf8(device.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);

    bool thisFormat = false;
    for (const QString& line : lines)
        thisFormat = thisFormat || line.startsWith(kHeader);

    QString section;
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            section = trimmed.mid(1, trimmed.size() - 2).trimmed();
            if (section.compare(kGeneral, Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key.isEmpty())
            continue;
        const QString written = line.mid(equals + 1).trimmed();
        const QString value = thisFormat ? ValueOfThisFormat(written) : ValueOfQtIni(written);
        map.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, value);
    }
    return true;
}

bool WriteSettingsFile(QIODevice& device, const QSettings::SettingsMap& map)
{
    // Keys without a group first, as Qt's INI files keep them, then each
    // group in its own section; QSettings hands the keys over sorted.
    QString text = QString::fromLatin1(kHeaderText);
    QString section = QStringLiteral("\n"); // no section started yet
    const auto write = [&](const QString& group, const QString& key, const QVariant& value) {
        if (group != section) {
            section = group;
            text += QStringLiteral("\n[%1]\n").arg(group.isEmpty() ? kGeneral : group);
        }
        text += key + QLatin1Char('=') + WrittenValue(value) + QLatin1Char('\n');
    };
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (!it.key().contains(QLatin1Char('/')))
            write(QString(), it.key(), it.value());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        if (slash >= 0)
            write(it.key().left(slash), it.key().mid(slash + 1), it.value());
    }
    return device.write(text.toUtf8()) >= 0;
}

QSettings::Format SettingsFileFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadSettingsFile, WriteSettingsFile);
    return format;
}

} // namespace qel
