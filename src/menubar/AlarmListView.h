#pragma once

#include "model/Moment.h"

#include <QWidget>

class AbstractLoginItem;
class AlarmRow;
class AlarmStore;
class Clock;
class CreditLine;
class FittedLabel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QTimeEdit;
class QVBoxLayout;

// The window's whole content: the form that adds an alarm, the list of alarms
// (or a line saying there are none), and a footer with "Test Alert", "Open at
// login" and "Quit" above the credit line. It keeps no copy of the alarms: the
// list is rebuilt from the store whenever the store's list changes.
class AlarmListView : public QWidget
{
    Q_OBJECT
public:
    AlarmListView(AlarmStore &store, AbstractLoginItem &loginItem, QWidget *parent = nullptr);

    static constexpr int kWidth = 380;
    static constexpr int kMaximumListHeight = 260;
    // However small the screen, the list shows a row or so.
    static constexpr int kLeastListHeight = 48;
    static constexpr int kScreenMargin = 32;

protected:
    // Return presses the control that has the focus, else adds the alarm;
    // Escape closes the window.
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // The first whole hour at least an hour from now.
    static Moment defaultNewTime(const Clock &clock);

    QWidget *makeSaveNotice();
    QWidget *makeRingingBanner();
    QWidget *makeForm();
    QWidget *makeFooter();
    QWidget *makeCreditBand();

    void updateSaveNotice();
    void updateRingingBanner();
    // The colours derived from the palette, which may change at any time.
    void applyColours();
    void addAlarm();
    void testAlert();
    void openAtLoginChanged(bool on);
    void rebuildList();
    // Tab runs through the window in reading order, the rows included.
    void orderTabStops();
    QList<AlarmRow *> rows() const;

    AlarmStore &m_store;
    AbstractLoginItem &m_loginItem;

    FittedLabel *m_saveNotice = nullptr;
    QWidget *m_ringingBanner = nullptr;
    FittedLabel *m_ringingText = nullptr;
    QPushButton *m_snoozeButton = nullptr;
    QPushButton *m_dismissButton = nullptr;
    QTimeEdit *m_timeEdit = nullptr;
    QLineEdit *m_labelEdit = nullptr;
    QCheckBox *m_repeatDaily = nullptr;
    QPushButton *m_addButton = nullptr;
    QLabel *m_emptyText = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_rows = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QPushButton *m_testAlertButton = nullptr;
    QCheckBox *m_openAtLogin = nullptr;
    QPushButton *m_quitButton = nullptr;
    CreditLine *m_creditLine = nullptr;
};
