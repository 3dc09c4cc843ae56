#pragma once

#include <QAbstractButton>
#include <QColor>

class QPainterPath;

// A button drawn as its title on a capsule: white bold text, padded by 1.1
// times the font size at the sides and half of it above and below, on a
// filled capsule with a 3-pixel border inside its edge. Only the capsule
// takes presses, not the corners of its box.
class CapsuleButton : public QAbstractButton
{
    Q_OBJECT

public:
    CapsuleButton(
        const QString &title, const QColor &fill, const QColor &border, QWidget *parent = nullptr);

    // The title's font; its size sets the padding too.
    void setTextFont(const QFont &font);

    // The capsule in the button's own coordinates.
    QPainterPath capsule() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &position) const override;

private:
    QColor m_fill;
    QColor m_border;
};
