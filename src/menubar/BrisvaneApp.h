#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class AbstractLoginItem;
class AlarmListView;
class AlarmStore;

// The program as the user meets it: a bell in the system tray whose click
// opens the alarm window beside it. The window's content is made when it
// first opens and kept from then on, so the form keeps its values from one
// opening to the next; a program that only waits for alarms never pays for
// it. The store is the one made at start-up, whether or not the window opens.
class BrisvaneApp : public QObject
{
    Q_OBJECT
public:
    BrisvaneApp(AlarmStore &store, AbstractLoginItem &loginItem, QObject *parent = nullptr);
    ~BrisvaneApp() override;

    // Puts the bell in the tray. Where the desktop has no tray, opens the
    // window as an ordinary one instead, so the program stays usable.
    void start();

    // Opens the window: by the icon while there is a tray, else as an ordinary
    // window; raises it when it is open already.
    void showWindow();
    // A click on the icon: opens the window, or closes it when it is open.
    void toggleWindow();

    // The window, made on first use.
    AlarmListView *window();

    static QIcon bellIcon();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool hasTray() const;
    void placeByIcon();
    void nameTrayWindow();
    bool isPopupOpen() const;

    AlarmStore &m_store;
    AbstractLoginItem &m_loginItem;
    std::unique_ptr<AlarmListView> m_window;
    QSystemTrayIcon m_trayIcon;
    // Started when the popup closes: the click on the icon that closed it
    // must not open it again.
    QElapsedTimer m_sincePopupClosed;
};
