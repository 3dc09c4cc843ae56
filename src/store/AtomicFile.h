#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Replaces a file whole or not at all: a reader, or a crash at any moment,
// sees either the old content or the new, never half of either.
class AtomicFile
{
public:
    // Writes a temporary file beside `path` ("<name>.XXXXXX", made for this
    // call alone), syncs it and renames it over `path`. Whatever stood at
    // `path` is replaced, a symbolic link included: nothing is written through
    // a link. The file gets `mode`, at most 0600; missing folders are made
    // 0700. On failure the old file stays as it was and `error`, when given,
    // says why in the system's words.
    static bool write(
        const QString &path, const QByteArray &bytes, QString *error = nullptr, mode_t mode = 0600);

    // Makes `folder` and any missing folder above it, each for this user alone.
    static bool makeFolders(const QString &folder, QString *error = nullptr);
};
