// The floor for bench/measure-idle: the least a Qt tray program can be, an
// icon in the tray and a timer that wakes once a second.
#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::transparent);
    QPainter(&pixmap).fillRect(4, 4, 14, 14, Qt::darkBlue);
    QSystemTrayIcon icon { QIcon(pixmap) };
    icon.show();
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &app, [&ticks] { ++ticks; });
    timer.start(1000);
    return QApplication::exec();
}
