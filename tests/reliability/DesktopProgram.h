#pragma once

#include "model/Alarm.h"
#include "support/X11Session.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QProcess;

// The real brisvane program as the reliability tests run it: on a private X11
// desktop with a tray, in a home folder of its own, with its wall clock faked
// by libfaketime and set by the test while the program runs, and with its
// store's log on, so that each ring and each write of alarms.json is known
// with the moment it happened. Only the wall clock is faked: the monotonic
// clock, and with it every Qt timer, runs as usual.
class DesktopProgram
{
public:
    // What the store logged: a ring (the alarm's scheduled moment and label)
    // or a write of the list.
    struct Event
    {
        enum class Kind
        {
            Ring,
            Saved,
            SaveFailed
        };
        Kind kind = Kind::Ring;
        qint64 at = 0; // monotonic milliseconds, as monotonicNow()
        Moment scheduledFor = 0;
        QString label;
    };
    // An alert panel, and the moment by which it was on screen.
    struct Panel
    {
        quint64 window = 0;
        qint64 seenAt = 0;
    };
    // What answerRings() saw; `failure` says what went wrong, if anything.
    struct Answered
    {
        QList<Event> rings;
        QList<Panel> panels;
        QString failure;
    };

    // What is missing for these tests to run here; empty when nothing is.
    static QString missingTools();
    // Milliseconds of the monotonic clock that the program's log uses.
    static qint64 monotonicNow();

    DesktopProgram();
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram &) = delete;
    DesktopProgram &operator=(const DesktopProgram &) = delete;

    bool isRunning() const { return m_session->isRunning() && m_home && m_home->isValid(); }
    QString errorString() const { return m_session->errorString(); }
    X11Session &session() { return *m_session; }

    // A fresh, empty home folder for the programs started after this.
    void newHome();
    // $XDG_CONFIG_HOME/brisvane and the stored list in it.
    QString folder() const;
    bool storeAlarms(const QList<Alarm> &alarms) const;
    QByteArray storedBytes() const;
    QList<Alarm> storedAlarms() const;

    // Sets the wall clock of the programs started here, running or not; they
    // read it afresh at each use. It then shows a moment after `moment` - 1 s
    // and no later than `moment`, and runs on at the real pace.
    bool setClock(Moment moment);
    // What that clock showed at a monotonic moment since it was last set.
    Moment clockAt(qint64 monotonic) const;
    // The monotonic moment at which that clock shows `moment` (or showed it).
    qint64 monotonicWhen(Moment moment) const;

    // Starts brisvane; `extra` adds to or overrides its environment.
    QProcess *start(const QProcessEnvironment &extra = {});
    // Until its bell is in the tray.
    bool waitUntilReady(QProcess *program, int timeoutMs = 15000);
    // Whether it still runs. Without an event loop a QProcess learns of its
    // end only when asked.
    static bool isAlive(QProcess *program);

    // What its store has logged of `kind` since `since`, oldest first.
    QList<Event> events(QProcess *program, Event::Kind kind, qint64 since = 0);

    // Answers every panel that comes up with "Dismiss", until `programs`
    // have logged at least `count` rings since `since`, each ring has had its
    // panel, and no ring has come for a tick's length after the last of them
    // and after `quietFrom`.
    Answered answerRings(const QList<QProcess *> &programs, qint64 since, qsizetype count = 1,
        qint64 quietFrom = 0, int timeoutMs = 10000);

private:
    Moment clockNow() const;
    QString alarmsFile() const;
    // The alert panels now on screen.
    QList<X11Session::Window> panels() const;
    // Clicks the panel's "Dismiss", as a user does; true once it has gone.
    bool dismiss(const X11Session::Window &panel);

    std::unique_ptr<X11Session> m_session;
    std::unique_ptr<QTemporaryDir> m_home;
    QTemporaryDir m_clockDir;
    QString m_clockFile;
    qint64 m_offsetSeconds = 0; // faked wall clock - real wall clock
    QHash<const QProcess *, QByteArray> m_logs;
};
