#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

class QLocalSocket;

// Keeps the program to one running copy per user. Two copies would ring every
// alarm twice and overwrite each other's saves, so a second launch only asks
// the first to open its window.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `socketPath` names the local socket; a lock file sits beside it.
    explicit SingleInstance(QString socketPath, QObject *parent = nullptr);

    // The socket in the user's runtime folder ($XDG_RUNTIME_DIR).
    static QString userSocketPath();

    enum class Role
    {
        Primary, // this process runs the program
        Secondary, // another one does, and has been asked to open its window
    };
    // Claims the lock; without it, tells the copy that holds it.
    Role claim();

Q_SIGNALS:
    // Another launch asked this copy to open its window.
    void activationRequested();

private:
    void readRequests();
    void readFrom(QLocalSocket *socket);

    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
};
