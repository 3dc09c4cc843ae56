#pragma once

#include <QByteArray>
#include <QDebug>
#include <QString>

// The text a value's QDebug operator writes, as QTest's toString() hands it
// over: QCOMPARE then prints both sides of a failed comparison.
template<typename Value>
char *debugText(const Value &value)
{
    QString text;
    QDebug(&text) << value;
    // QTest releases the text with delete[], which matches qstrdup.
    return qstrdup(text.toUtf8().constData());
}
