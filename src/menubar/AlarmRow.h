#pragma once

#include "model/Alarm.h"
#include "widgets/ShadedPanel.h"

class AlarmStore;
class FittedLabel;
class QLabel;

// One alarm in the list: its time, a line saying what it is and what state it
// is in, a switch and a delete button. The row changes nothing itself: both
// controls go to the store, and the list builds fresh rows when it changes.
class AlarmRow : public ShadedPanel
{
    Q_OBJECT
public:
    AlarmRow(AlarmStore &store, const Alarm &alarm, QWidget *parent = nullptr);

    const Alarm &alarm() const { return m_alarm; }

    // "Gym · Every day", "Once · tomorrow", "Tea · Snoozed", "Once · finished"…
    // `now` decides what counts as today.
    static QString details(const Alarm &alarm, Moment now);

protected:
    void changeEvent(QEvent *event) override;

private:
    // From the palette, which may turn dark or light at any time.
    void applyColours();

    AlarmStore &m_store;
    const Alarm m_alarm;
    QLabel *m_time = nullptr;
    FittedLabel *m_details = nullptr;
};
