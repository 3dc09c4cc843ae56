#pragma once

#include "model/AlarmCodec.h"
#include "store/AlarmStore.h"
#include "store/Defaults.h"
#include "support/FakeClock.h"
#include "support/RecordingPresenter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A store over the real defaults layer in a temporary $XDG_CONFIG_HOME, with a
// clock the test sets and a presenter that records what rings.
class StoreOnDisk
{
public:
    StoreOnDisk()
    {
        QVERIFY(configHome.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
        QVERIFY(QDir().mkpath(folder()));
    }

    QString folder() const { return Defaults::userDirectory(); }
    QString file() const { return folder() + QStringLiteral("/alarms.json"); }

    AlarmStore &start()
    {
        store = std::make_unique<AlarmStore>(AlarmStore::Services {
            std::make_unique<FakeClock>(time), std::make_unique<Defaults>(folder()),
            std::make_unique<RecordingPresenter>(presenter), nullptr });
        return *store;
    }

    QTemporaryDir configHome;
    std::shared_ptr<Moment> time = std::make_shared<Moment>(0);
    std::shared_ptr<RecordingPresenter::Log> presenter
        = std::make_shared<RecordingPresenter::Log>();
    std::unique_ptr<AlarmStore> store;
};

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// Every entry of a folder but . and .., hidden ones included.
inline QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
