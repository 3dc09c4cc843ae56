#pragma once

#include "menubar/AbstractLoginItem.h"

#include <QString>

class DesktopEntry;

// Starts the program with the desktop session through an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/brisvane.desktop, that runs `executable`. The
// folders are read from the environment at every call.
class AutostartLoginItem final : public AbstractLoginItem
{
public:
    // `executable` is the absolute path of the running program.
    explicit AutostartLoginItem(QString executable);

    // Enabled exactly when the user's entry exists, reads as a desktop entry,
    // is neither hidden nor switched off, and runs this executable.
    Status status() const override;
    bool registerItem() override;
    // Removes the user's entry when it is ours (a regular file that runs this
    // executable), never a link or another program's entry; where the system
    // has an entry of the same name, which would start the program anyway,
    // writes one that hides it.
    bool unregisterItem() override;

    static QString userEntryPath();

    // What the entry passes to the program, so it can tell a start with the
    // session from one by the user. Entries written without it still count.
    static inline const QString kStartArgument = QStringLiteral("--autostart");

private:
    QByteArray entry(bool hidden) const;
    bool runsThisProgram(const DesktopEntry &entry) const;
    bool namesExecutable(const QString &program) const;

    QString m_executable;
};
