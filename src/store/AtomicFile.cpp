#include "store/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Records the reason for the failure that set errno, and fails.
bool failed(QString *error)
{
    if (error)
        *error = qt_error_string(errno);
    return false;
}

bool makeFolder(const QByteArray &folder, QString *error)
{
    struct stat status = {};
    if (::stat(folder.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return true;
        errno = ENOTDIR;
        return failed(error);
    }
    if (errno != ENOENT)
        return failed(error);
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0 && !makeFolder(folder.first(slash), error))
        return false;
    return ::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST || failed(error);
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno != EINTR)
            return false;
        done += qMax(wrote, ssize_t(0));
    }
    return true;
}

} // namespace

bool AtomicFile::makeFolders(const QString &folder, QString *error)
{
    return makeFolder(QFile::encodeName(QDir::cleanPath(folder)), error);
}

bool AtomicFile::write(const QString &path, const QByteArray &bytes, QString *error, mode_t mode)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!makeFolders(QFileInfo(absolute).path(), error))
        return false;
    const QByteArray target = QFile::encodeName(absolute);
    // Made anew (O_CREAT | O_EXCL) with mode 0600, so no one else can have it open.
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failed(error);
    // A full disk shows in write() or fsync(), on some file systems only in
    // close(); after any of them the old file must stay.
    bool ok = (mode == 0600 || ::fchmod(fd, mode & 0600) == 0) && writeAll(fd, bytes)
        && ::fsync(fd) == 0;
    if (!ok)
        failed(error);
    if (::close(fd) != 0 && ok)
        ok = failed(error);
    // rename() replaces the name, never what a link there points to.
    if (ok && ::rename(temporary.constData(), target.constData()) != 0)
        ok = failed(error);
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    // So that the new name, too, survives a power cut. The file is in place
    // whatever this says, so a failure here is no failed write.
    const int folder = ::open(QFile::encodeName(QFileInfo(absolute).path()).constData(),
        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}
