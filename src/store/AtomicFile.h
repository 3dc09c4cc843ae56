#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file whole or not at all: a reader, or a crash at any moment,
// sees either the old content or the new, never half of either.
class AtomicFile
{
public:
    // Creates the folder when needed. On failure the old file stays as it was.
    static bool write(const QString &path, const QByteArray &bytes);
};
