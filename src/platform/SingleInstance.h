#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

class QLocalSocket;

// Keeps the program to one running copy per user. Two copies would ring every
// alarm twice and overwrite each other's saves, so a second launch only hands
// over to the first.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `socketPath` names the local socket; a lock file sits beside it. An
    // empty path: there is no folder for them, and every launch runs.
    explicit SingleInstance(QString socketPath, QObject *parent = nullptr);

    // The socket in a folder that only this user owns and may enter:
    // $XDG_RUNTIME_DIR when it is such a folder, else ~/.cache/brisvane, made
    // so. Empty, after a warning on stderr that says why, when neither can be
    // had.
    static QString userSocketPath();

    enum class Role
    {
        Primary, // this process runs the program
        Secondary, // another one does, and has been told of this launch
    };
    enum class Launch
    {
        ByUser, // a second launch asks the first copy to open its window
        AtLogin, // with the session: the first copy carries on as it is
    };
    // Claims the lock; without it, hands over to the copy that holds it.
    Role claim(Launch launch = Launch::ByUser);

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
