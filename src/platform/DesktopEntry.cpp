#include "platform/DesktopEntry.h"

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

bool isKeyCharacter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
        || c == u'-';
}

// "Name", "Name[de_DE]", "Name[sr@latin]".
bool isKey(QStringView key)
{
    qsizetype i = 0;
    while (i < key.size() && isKeyCharacter(key.at(i)))
        ++i;
    if (i == 0)
        return false;
    if (i == key.size())
        return true;
    if (key.at(i) != u'[' || !key.endsWith(u']') || key.size() - i < 3)
        return false;
    const QStringView locale = key.sliced(i + 1, key.size() - i - 2);
    for (QChar c : locale) {
        if (!(isKeyCharacter(c) || c == u'_' || c == u'.' || c == u'@'))
            return false;
    }
    return true;
}

// The characters that make an Exec argument need double quotes.
bool isReserved(QChar c)
{
    return u" \t\n\"'\\><~|&;$*?#()`"_s.contains(c);
}

// Inside double quotes these four take a backslash.
bool needsBackslashInQuotes(QChar c)
{
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

// The escapes every string value may hold; any other backslash stays.
QString unescapeString(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            result.append(c);
            continue;
        }
        const QChar next = value.at(i + 1);
        switch (next.unicode()) {
        case u's':
            result.append(u' ');
            break;
        case u'n':
            result.append(u'\n');
            break;
        case u't':
            result.append(u'\t');
            break;
        case u'r':
            result.append(u'\r');
            break;
        case u'\\':
            result.append(u'\\');
            break;
        default:
            result.append(c);
            result.append(next);
            break;
        }
        ++i;
    }
    return result;
}

QString escapeString(const QString &value)
{
    QString result;
    result.reserve(value.size() + 8);
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            result.append(u"\\\\"_s);
            break;
        case u'\n':
            result.append(u"\\n"_s);
            break;
        case u'\t':
            result.append(u"\\t"_s);
            break;
        case u'\r':
            result.append(u"\\r"_s);
            break;
        default:
            result.append(c);
        }
    }
    return result;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;

    DesktopEntry entry;
    QString group;
    bool sawGroup = false;
    QHash<QString, bool> keysOfGroup;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(u'[')) {
            if (!trimmed.endsWith(u']') || trimmed.size() < 3)
                return std::nullopt;
            group = trimmed.sliced(1, trimmed.size() - 2).toString();
            if (!sawGroup && group != u"Desktop Entry"_s)
                return std::nullopt;
            sawGroup = true;
            keysOfGroup.clear();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!sawGroup || equals < 0)
            return std::nullopt;
        const QString key = line.first(equals).trimmed().toString();
        if (!isKey(key) || keysOfGroup.contains(key))
            return std::nullopt;
        keysOfGroup.insert(key, true);
        // Spaces around "=" belong to neither side.
        QStringView value = line.sliced(equals + 1);
        while (!value.isEmpty() && value.front() == u' ')
            value = value.sliced(1);
        if (value.endsWith(u'\r'))
            value.chop(1);
        if (group == u"Desktop Entry"_s)
            entry.m_values.insert(key, value.toString());
    }
    if (!sawGroup)
        return std::nullopt;
    return entry;
}

QString DesktopEntry::execValue(const QString &program)
{
    QString argument;
    const bool quote = std::any_of(program.begin(), program.end(), isReserved);
    if (quote)
        argument.append(u'"');
    for (QChar c : program) {
        if (quote && needsBackslashInQuotes(c))
            argument.append(u'\\');
        argument.append(c);
        // A lone "%" would start a field code.
        if (c == u'%')
            argument.append(u'%');
    }
    if (quote)
        argument.append(u'"');
    // The Exec quoting comes first; the string escapes then apply to the whole
    // value, so a backslash it added is written twice.
    return escapeString(argument);
}

std::optional<QStringList> DesktopEntry::execArguments(const QString &value)
{
    const QString text = unescapeString(value);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < text.size()
                && needsBackslashInQuotes(text.at(i + 1))) {
                current.append(text.at(++i));
            } else if (c == u'%' && i + 1 < text.size() && text.at(i + 1) == u'%') {
                current.append(u'%');
                ++i;
            } else {
                current.append(c);
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            inQuotes = true;
            inArgument = true;
        } else if (c == u'%' && i + 1 < text.size()) {
            // "%%" is a percent sign; any other field code stands for files
            // or URLs the launcher would pass, of which autostart has none.
            if (text.at(i + 1) == u'%') {
                current.append(u'%');
                inArgument = true;
            }
            ++i;
        } else {
            current.append(c);
            inArgument = true;
        }
    }
    if (inQuotes)
        return std::nullopt;
    if (inArgument)
        arguments.append(current);
    return arguments;
}
