#pragma once

#include "menubar/AbstractLoginItem.h"

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

    Status status() const override
    {
        calls.append(QStringLiteral("status"));
        return current;
    }
    bool registerItem() override
    {
        calls.append(QStringLiteral("register"));
        if (!afterRegister)
            return false;
        current = *afterRegister;
        return true;
    }
    bool unregisterItem() override
    {
        calls.append(QStringLiteral("unregister"));
        current = Status::NotRegistered;
        return true;
    }
};
