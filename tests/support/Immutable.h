#pragma once

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Sets or clears a file's immutable attribute (chattr +i), which stops even
// root from writing where a read-only mode does not; returns why it failed, or
// nothing. Only root may set it.
inline QString setImmutable(const QString &name, bool immutable)
{
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString error;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
            error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ::close(fd);
    return error;
}
