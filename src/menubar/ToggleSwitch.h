#pragma once

#include <QAbstractButton>

// A small on/off switch: a rounded track with a round knob that sits on the
// right, over the accent colour, when the switch is on.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // The whole track toggles, not only the knob.
    bool hitButton(const QPoint &pos) const override;
};
