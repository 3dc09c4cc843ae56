#include "store/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

bool AtomicFile::write(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A full disk shows up in write() or flush(); commit() alone would not
    // always tell, and must then not replace the good file. Without commit()
    // the temporary file is dropped and the old one stays.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    return file.commit();
}
