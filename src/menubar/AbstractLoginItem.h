#pragma once

// Whether the program starts with the user's desktop session, and the means to
// change that. Either change may be refused; status() tells what holds.
class AbstractLoginItem
{
public:
    enum class Status
    {
        Enabled, // the program starts at login
        NotRegistered,
        RequiresApproval, // registered, but waiting for the user to allow it
        NotFound, // the program itself cannot be found to register
    };

    virtual ~AbstractLoginItem() = default;

    virtual Status status() const = 0;
    // Each returns false when the change was refused.
    virtual bool registerItem() = 0;
    virtual bool unregisterItem() = 0;

protected:
    AbstractLoginItem() = default;
    AbstractLoginItem(const AbstractLoginItem &) = default;
    AbstractLoginItem &operator=(const AbstractLoginItem &) = default;
};
