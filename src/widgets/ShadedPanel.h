#pragma once

#include <QWidget>

// A container whose background is the text colour at a low opacity, so it
// shades lightly on light and on dark themes alike.
class ShadedPanel : public QWidget
{
    Q_OBJECT
public:
    ShadedPanel(qreal cornerRadius, qreal opacity, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_cornerRadius;
    qreal m_opacity;
};
