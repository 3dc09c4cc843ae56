#pragma once

#include "model/AlarmCodec.h"
#include "store/AlarmStore.h"
#include "store/FileDefaults.h"
#include "support/FakeClock.h"
#include "support/RecordingPresenter.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Defaults that count the writes that reach the disk.
class CountingDefaults final : public FileDefaults
{
public:
    CountingDefaults(QString directory, std::shared_ptr<int> writes)
        : FileDefaults(std::move(directory))
        , m_writes(std::move(writes))
    { }
    bool setData(const QString &key, const QByteArray &bytes) override
    {
        ++*m_writes;
        return FileDefaults::setData(key, bytes);
    }

private:
    std::shared_ptr<int> m_writes;
};

// A store over a temporary settings folder, a clock the test sets and a
// presenter that records; everything the test needs to look at stays here.
class StoreFixture
{
public:
    StoreFixture() { qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8()); }

    QString folder() const { return configHome.path() + QStringLiteral("/brisvane"); }
    QString file() const { return folder() + QStringLiteral("/alarms.json"); }

    void writeStored(const QByteArray &bytes) const
    {
        QDir().mkpath(folder());
        QFile f(file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray stored() const { return read(file()); }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Every entry of `path` (the settings folder by default), hidden ones too.
    QStringList entries(const QString &path = {}) const
    {
        return QDir(path.isEmpty() ? folder() : path)
            .entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    QList<Alarm> storedAlarms() const { return decodeAlarms(stored()).value_or(QList<Alarm> {}); }

    AlarmStore &start()
    {
        store = std::make_unique<AlarmStore>(AlarmStore::Services {
            std::make_unique<FakeClock>(time), std::make_unique<CountingDefaults>(folder(), writes),
            std::make_unique<RecordingPresenter>(presenter), nullptr });
        alarmsChanged = std::make_unique<QSignalSpy>(store.get(), &AlarmStore::alarmsChanged);
        ringingChanged = std::make_unique<QSignalSpy>(store.get(), &AlarmStore::ringingChanged);
        return *store;
    }

    QTemporaryDir configHome;
    std::shared_ptr<Moment> time = std::make_shared<Moment>(0);
    std::shared_ptr<int> writes = std::make_shared<int>(0);
    std::shared_ptr<RecordingPresenter::Log> presenter
        = std::make_shared<RecordingPresenter::Log>();
    std::unique_ptr<AlarmStore> store;
    std::unique_ptr<QSignalSpy> alarmsChanged;
    std::unique_ptr<QSignalSpy> ringingChanged;
};
