#pragma once

#include "menubar/AbstractLoginItem.h"
#include "menubar/AlarmListView.h"
#include "menubar/AlarmRow.h"
#include "support/StoreFixture.h"
#include "support/TestMoments.h"

#include <QAccessible>
#include <QApplication>
#include <QStringList>

// A login-item service whose answers the test sets, and which logs each call
// in order ("register", "unregister", "status").
class FakeLoginItem final : public AbstractLoginItem
{
public:
    // What register() leaves behind; nothing when it refuses.
    std::optional<Status> afterRegister = Status::Enabled;
    Status current = Status::NotRegistered;
    mutable QStringList calls;

    Status status() const override { return calls.append(QStringLiteral("status")), current; }
    bool registerItem() override
    {
        calls.append(QStringLiteral("register"));
        current = afterRegister.value_or(current);
        return afterRegister.has_value();
    }
    bool unregisterItem() override
    {
        calls.append(QStringLiteral("unregister"));
        return current = Status::NotRegistered, true;
    }
};

// A started store whose clock reads `now` (Berlin time in these tests), a
// fake login service, and the window over them once open() makes it.
class WindowFixture : public StoreFixture
{
public:
    explicit WindowFixture(const QString &now = QStringLiteral("2026-01-05T10:00:00+01:00"))
    {
        *time = momentFromIso(now);
        start();
    }

    void add(const QString &at, const QString &label,
        AlarmStore::Recurrence recurrence = AlarmStore::Recurrence::Once)
    {
        store->add(momentFromIso(at), label, recurrence);
    }

    AlarmListView &open()
    {
        view = std::make_unique<AlarmListView>(*store, login);
        return *view;
    }

    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        T *found = view->findChild<T *>(name);
        if (!found)
            qFatal("no child named %s", qPrintable(name));
        return found;
    }

    // The rows in the order the window shows them.
    QList<AlarmRow *> rows() const
    {
        QList<AlarmRow *> rows = view->findChildren<AlarmRow *>(QStringLiteral("alarmRow"));
        std::sort(
            rows.begin(), rows.end(), [](AlarmRow *a, AlarmRow *b) { return a->y() < b->y(); });
        return rows;
    }

    static QString accessibleName(QWidget *widget)
    {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible ? accessible->text(QAccessible::Name) : QString();
    }

    FakeLoginItem login;
    std::unique_ptr<AlarmListView> view;
};
