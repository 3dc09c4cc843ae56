#pragma once

#include "model/Alarm.h"

#include <QWidget>

class AlarmStore;
class QLabel;
class QToolButton;
class ToggleSwitch;

// One alarm in the list: its time, a line saying what it is and what state it
// is in, a switch and a delete button. The row changes nothing itself: both
// controls go to the store, and the list builds fresh rows when it changes.
class AlarmRow : public QWidget
{
    Q_OBJECT
public:
    AlarmRow(AlarmStore &store, const Alarm &alarm, QWidget *parent = nullptr);

    const Alarm &alarm() const { return m_alarm; }

    // "Gym · Every day", "Once · tomorrow", "Tea · Snoozed", "Once · finished"…
    // `now` decides what counts as today.
    static QString details(const Alarm &alarm, Moment now);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    AlarmStore &m_store;
    const Alarm m_alarm;
};
