#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Reads a whole file, but only a regular one, and never more than a cap: what
// stands at a path in the user's folders may be a FIFO, a device or a huge
// file, and none of them may stall the program or fill its memory.
class RegularFile
{
public:
    enum class Read
    {
        Absent, // nothing there, or something other than a regular file
        Whole, // read, all of it
        Unreadable, // a regular file, but larger than the cap or refused
    };

    // Follows symbolic links. `bytes` are set only when it is read whole, and
    // `mode` (when given) then holds the file's permission bits.
    static Read read(
        const QString &path, qint64 maxBytes, QByteArray &bytes, mode_t *mode = nullptr);
};
