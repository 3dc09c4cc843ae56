#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <memory>

class AbstractLoginItem;
class AbstractNotifier;
class AbstractTray;
class AlarmListView;
class AlarmStore;
class QIcon;

// The program as the user meets it: a bell in the desktop's tray whose click
// opens the alarm window beside it, or, on a desktop without a tray, the
// window itself. The window's content is made when it first opens and kept
// from then on, so the form keeps its values from one opening to the next; a
// program that only waits for alarms never pays for it. Closing the window
// never ends the program: only "Quit" does, so alarms ring with it closed.
class TrayController : public QObject
{
    Q_OBJECT
public:
    // Started by the user, or with the desktop session by the login item,
    // when the desktop's tray may still be on its way.
    enum class Start
    {
        ByUser,
        AtLogin
    };
    // How the window opens from the tray. On X11, a popup that holds the
    // pointer and the keyboard until a click outside it. Under XWayland a
    // popup gets neither, so there it is a frameless window that takes the
    // keyboard when it opens and closes when it loses it.
    enum class TrayWindow
    {
        Popup,
        Focused
    };

    TrayController(AlarmStore &store, AbstractLoginItem &loginItem, AbstractTray &tray,
        AbstractNotifier &notifier, TrayWindow trayWindow, QObject *parent = nullptr);
    ~TrayController() override;

    // Where the desktop has no tray, opens the window as an ordinary one, so
    // the program stays usable; at login, only if no tray comes up in time.
    void start(Start start);

    // Opens the window: by the tray while there is one, else as an ordinary
    // window; raises it when it is open already.
    void showWindow();

    // The window, made on first use.
    AlarmListView *window();

    static QIcon bellIcon();
    // What the tray item's tooltip says under the program's name: the next
    // alarm that will ring, in the words of its row, or that none will.
    static QString nextAlarmText(const AlarmStore &store);
    // How long a start at login gives the desktop's tray to come up, and how
    // long any start gives a tray that has been found to answer.
    static constexpr int kTrayWaitSeconds = 30;
    static constexpr int kTrayAnswerSeconds = 2;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A click on the tray item, at `at` when the tray tells: opens the window
    // there, or closes it when it is open.
    void toggleWindow(QPoint at);
    // Opens the window as an ordinary one unless a tray shows the item
    // within `seconds`.
    void waitForTray(int seconds);
    bool hasTray() const;
    void placeByTray();
    bool isTrayWindowOpen() const;
    void updateTray();
    // Said once, the first time the window closes with no tray to reopen it.
    void tellStillRunning();

    AlarmStore &m_store;
    AbstractLoginItem &m_loginItem;
    AbstractTray &m_tray;
    AbstractNotifier &m_notifier;
    TrayWindow m_trayWindow;
    std::unique_ptr<AlarmListView> m_window;
    // Where the tray item was clicked to open the window, when the tray told;
    // and where it was last clicked at all.
    QPoint m_clickedAt;
    QPoint m_lastClickedAt;
    // Runs out when an awaited tray has not come up in time.
    QTimer m_trayDeadline;
    bool m_toldStillRunning = false;
    // How many alerts were on screen or waiting, at the last change.
    qsizetype m_ringing = 0;
    // Started when the window by the tray closes: the click on the item that
    // closed it must not open it again.
    QElapsedTimer m_sinceClosed;
    QElapsedTimer m_sinceClicked;
};
