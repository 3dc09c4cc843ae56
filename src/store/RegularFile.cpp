#include "store/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads to the end, starting from the size the file had when opened; one byte
// past the cap tells a file that has grown past it since.
bool readAll(int fd, qint64 size, qint64 maxBytes, QByteArray &bytes)
{
    QByteArray buffer(qsizetype(size) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == buffer.size()) {
            if (used > maxBytes)
                return false;
            buffer.resize(qsizetype(qMin(qint64(used) * 2, maxBytes + 1)));
        }
        const ssize_t got = ::read(fd, buffer.data() + used, size_t(buffer.size() - used));
        if (got == 0)
            break;
        if (got < 0 && errno != EINTR)
            return false;
        used += qMax(got, ssize_t(0));
    }
    buffer.truncate(used);
    bytes = std::move(buffer);
    return true;
}

} // namespace

RegularFile::Read RegularFile::read(
    const QString &path, qint64 maxBytes, QByteArray &bytes, mode_t *mode)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before it is opened: opening a device may already act on it.
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Read::Absent : Read::Unreadable;
    if (!S_ISREG(status.st_mode))
        return Read::Absent;
    // Whatever stands there by the time it is opened: without O_NONBLOCK a FIFO
    // would block the open until a writer comes, and the read until one writes.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Read::Unreadable;
    const bool known = ::fstat(fd, &status) == 0;
    Read result = Read::Unreadable;
    if (known && !S_ISREG(status.st_mode))
        result = Read::Absent;
    else if (known && status.st_size <= maxBytes && readAll(fd, status.st_size, maxBytes, bytes))
        result = Read::Whole;
    ::close(fd);
    if (result == Read::Whole && mode)
        *mode = status.st_mode & 07777;
    return result;
}
