// Puts up one alert panel through the real presenter on the X11 display it is
// given, and reports on standard output what the test needs to drive it:
//   panel <window id> <x> <y> <width> <height> translucent|masked
//   dismiss <x> <y> <width> <height>           (the button, root coordinates)
//   dismissed                                  (when Dismiss is pressed)
// A dismissal takes the panel down, as the store does, and ends the program.
#include "AlertFixture.h"
#include "alert/AlertPanel.h"
#include "alert/AlertPresenter.h"
#include "platform/X11Desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTextStream>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

void say(const QString &line)
{
    QTextStream(stdout) << line << Qt::endl;
}

QString rectText(const QRect &rect)
{
    return u"%1 %2 %3 %4"_s.arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    const X11Desktop desktop; AlertPresenter presenter(desktop);
    presenter.show(
        ringing(u"Wake up"_s), [] {},
        [&] {
            say(u"dismissed"_s);
            presenter.hide();
            // Quit once the dropped panel has really gone.
            QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
        });
    AlertPanel *panel = presenter.panel();
    if (!panel) {
        say(u"no screen"_s);
        return 1;
    }

    // Report once the window is up.
    QTimer::singleShot(0, panel, [panel] {
        const bool translucent = panel->backdrop() == AlertPanel::Backdrop::Translucent;
        say(u"panel %1 %2 %3"_s.arg(panel->winId())
                .arg(rectText(panel->geometry()), translucent ? u"translucent"_s : u"masked"_s));
        const auto *button = panel->findChild<QAbstractButton *>(u"dismissButton"_s);
        say(u"dismiss "_s + rectText(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
    });
    return app.exec();
}
