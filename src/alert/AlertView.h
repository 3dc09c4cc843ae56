#pragma once

#include "model/RingingAlarm.h"

#include <QColor>
#include <QWidget>

#include <functional>

class CapsuleButton;
class CreditLine;
class FittedLabel;
class QPainterPath;

// What the alert panel shows for one ringing alarm: a red rounded card with a
// light-blue border, the title, the alarm's label and time, the two answer
// buttons and the credit line. Every length follows from the height it is
// given, so the alert looks the same on every screen, only larger or smaller.
// A press on a button runs its action once, during the press; the view never
// hides itself or disables its buttons.
class AlertView : public QWidget
{
    Q_OBJECT

public:
    using Action = std::function<void()>;

    AlertView(
        const RingingAlarm &alarm, Action onSnooze, Action onDismiss, QWidget *parent = nullptr);

    static QColor red() { return QColor(0xEB, 0x0D, 0x14); }
    static QColor lightBlue() { return QColor(0x99, 0xD9, 0xFF); }
    static QColor darkBlue() { return QColor(0x05, 0x1A, 0x66); }

    // The lengths of the alert for a given height, all fractions of the
    // unit u = height / 1.1, except the border, which never gets thinner
    // than 8 pixels.
    struct Metrics
    {
        qreal unit = 0;
        qreal cornerRadius = 0;
        qreal borderWidth = 0;
        qreal columnSpacing = 0;
        qreal sidePadding = 0;
        qreal titleFontSize = 0;
        qreal subtitleFontSize = 0;
        qreal buttonFontSize = 0;
        qreal buttonSpacing = 0;
        qreal creditFontSize = 0;
        qreal creditPaddingAbove = 0;
        qreal creditPaddingBelow = 0;

        static Metrics forHeight(qreal height);
    };
    Metrics metrics() const { return Metrics::forHeight(height()); }

    // The label, " · " and the short time; the time alone for an empty label.
    static QString subtitle(const RingingAlarm &alarm);

    // The card's rounded outline at the current size.
    QPainterPath cardShape() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutContent();

    Action m_onSnooze;
    Action m_onDismiss;
    FittedLabel *m_title;
    FittedLabel *m_subtitle;
    CapsuleButton *m_snoozeButton;
    CapsuleButton *m_dismissButton;
    CreditLine *m_creditLine;
};
