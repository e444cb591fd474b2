#include "db/SQLiteTableDefinition.h"

#include <QStringList>

#include <set>
#include <vector>

namespace qel {

namespace {

// One token of SQLite's SQL with where it stands in the text.
struct Token {
    enum class Kind { Word, Quoted, String, Open, Close, Comma, Other };
    Kind kind;
    qsizetype begin;
    qsizetype end;
    QString text; // a word as written, a quoted name without its quotes
};

// Splits SQL into tokens, leaving out blanks and comments. Names may be
// quoted "...", `...` or [...]; texts '...'; a doubled quote stands for one.
std::optional<std::vector<Token>> Tokenize(const QString& sql)
{
    std::vector<Token> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            const qsizetype close = sql.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('\'') || c == QLatin1Char('[')) {
            const QChar closing = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            QString text;
            qsizetype j = i + 1;
            bool closed = false;
            while (j < n) {
                if (sql.at(j) == closing) {
                    if (closing != QLatin1Char(']') && j + 1 < n && sql.at(j + 1) == closing) {
                        text += closing;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                text += sql.at(j++);
            }
            if (!closed)
                return std::nullopt;
            tokens.push_back({c == QLatin1Char('\'') ? Token::Kind::String : Token::Kind::Quoted, i, j, text});
            i = j;
        } else if (c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char(',')) {
            tokens.push_back({c == QLatin1Char('(')   ? Token::Kind::Open
                                  : c == QLatin1Char(')') ? Token::Kind::Close
                                                          : Token::Kind::Comma,
                              i, i + 1, QString(c)});
            ++i;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c.unicode() > 127) {
            qsizetype j = i;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') || sql.at(j) == QLatin1Char('$')
                             || sql.at(j).unicode() > 127 || sql.at(j) == QLatin1Char('.')))
                ++j;
            tokens.push_back({Token::Kind::Word, i, j, sql.mid(i, j - i)});
            i = j;
        } else {
            tokens.push_back({Token::Kind::Other, i, i + 1, QString(c)});
            ++i;
        }
    }
    return tokens;
}

bool IsWord(const Token& token, const char* word)
{
    return token.kind == Token::Kind::Word && token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsOneOf(const Token& token, std::initializer_list<const char*> words)
{
    for (const char* word : words)
        if (IsWord(token, word))
            return true;
    return false;
}

} // namespace

std::optional<QString> RewriteTableDefinition(const QString& createSql, const QString& newName,
                                              const std::map<QString, QString>& types)
{
    const auto tokenized = Tokenize(createSql);
    if (!tokenized)
        return std::nullopt;
    const std::vector<Token>& t = *tokenized;

    // CREATE [TEMP] TABLE [IF NOT EXISTS] [schema.]name (
    std::size_t i = 0;
    if (t.size() < 4 || !IsWord(t[i++], "CREATE"))
        return std::nullopt;
    if (IsOneOf(t[i], {"TEMP", "TEMPORARY"}))
        ++i;
    if (i >= t.size() || !IsWord(t[i++], "TABLE"))
        return std::nullopt;
    if (i + 2 < t.size() && IsWord(t[i], "IF") && IsWord(t[i + 1], "NOT") && IsWord(t[i + 2], "EXISTS"))
        i += 3;
    const std::size_t nameBegin = i;
    while (i < t.size() && t[i].kind != Token::Kind::Open)
        ++i;
    if (i == nameBegin || i >= t.size())
        return std::nullopt;
    const qsizetype nameStart = t[nameBegin].begin;
    const qsizetype nameEnd = t[i - 1].end;

    // The column list: items separated by commas at its own depth.
    struct Replacement {
        qsizetype begin;
        qsizetype end;
        QString text;
    };
    std::vector<Replacement> replacements{{nameStart, nameEnd, newName}};
    std::set<QString> found;
    std::size_t item = i + 1;
    int depth = 1;
    std::size_t k = i + 1;
    for (; k < t.size() && depth > 0; ++k) {
        if (t[k].kind == Token::Kind::Open) {
            ++depth;
            continue;
        }
        const bool endsItem = (t[k].kind == Token::Kind::Comma && depth == 1) || (t[k].kind == Token::Kind::Close && depth == 1);
        if (t[k].kind == Token::Kind::Close)
            --depth;
        if (!endsItem)
            continue;
        // One item from t[item] up to t[k]: a table constraint, or a column
        // "name [type] [constraints]".
        if (item < k && !IsOneOf(t[item], {"CONSTRAINT", "PRIMARY", "UNIQUE", "CHECK", "FOREIGN"})) {
            const Token& name = t[item];
            if (name.kind != Token::Kind::Word && name.kind != Token::Kind::Quoted && name.kind != Token::Kind::String)
                return std::nullopt;
            const auto type = types.find(name.text.toLower());
            if (type != types.end()) {
                std::size_t typeEnd = item + 1;
                int inner = 0;
                while (typeEnd < k) {
                    if (inner == 0
                        && IsOneOf(t[typeEnd], {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK", "DEFAULT",
                                                "COLLATE", "REFERENCES", "GENERATED", "AS"}))
                        break;
                    if (t[typeEnd].kind == Token::Kind::Open)
                        ++inner;
                    else if (t[typeEnd].kind == Token::Kind::Close)
                        --inner;
                    ++typeEnd;
                }
                if (typeEnd == item + 1)
                    replacements.push_back({name.end, name.end, QLatin1Char(' ') + type->second});
                else
                    replacements.push_back({t[item + 1].begin, t[typeEnd - 1].end, type->second});
                found.insert(type->first);
            }
        }
        item = k + 1;
    }
    if (depth != 0 || found.size() != types.size())
        return std::nullopt;

    QString rewritten = createSql;
    for (auto it = replacements.rbegin(); it != replacements.rend(); ++it)
        rewritten.replace(it->begin, it->end - it->begin, it->text);
    return rewritten;
}

} // namespace qel
