#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

class QByteArray;

// The keys of a desktop entry file's [Desktop Entry] group, and the two
// layers of quoting its Exec key goes through: the argument quoting of the
// Exec key, then the escapes of every string value.
class DesktopEntry
{
public:
    // Nothing when the bytes are not a well-formed desktop entry: not UTF-8, a
    // line that is neither a group, a key nor a comment, a key repeated, or a
    // first group other than [Desktop Entry].
    static std::optional<DesktopEntry> parse(const QByteArray &bytes);

    // The raw value, string escapes still in place; empty when missing.
    QString value(const QString &key) const { return m_values.value(key); }
    bool contains(const QString &key) const { return m_values.contains(key); }

    // The text to write after "Exec=" so that the launcher runs `program`
    // (an absolute path) with no arguments, whatever characters it holds.
    static QString execValue(const QString &program);
    // The arguments an Exec value stands for, field codes dropped; nothing
    // when a quote is left open.
    static std::optional<QStringList> execArguments(const QString &value);

private:
    QHash<QString, QString> m_values;
};
