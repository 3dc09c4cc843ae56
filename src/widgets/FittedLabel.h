#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

// One line of plain text, centred, that first shrinks down to a minimum
// scale to fit its width and only then is cut short at the end. It never
// wraps and never reads its text as markup.
class FittedLabel : public QWidget
{
    Q_OBJECT

public:
    FittedLabel(
        const QString &text, const QColor &color, qreal minimumScale, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    void setColor(const QColor &color);

    // Centred unless told otherwise; a line that cannot shrink (a minimum
    // scale of 1) is cut at once.
    void setAlignment(Qt::Alignment alignment);

    // The font at full size; the label's height is one line of it.
    void setTextFont(const QFont &font);
    QFont textFont() const { return m_font; }

    // What is drawn at the current width: the font after shrinking, and the
    // text, shortened with an ellipsis where even that font is too wide.
    QFont shownFont() const;
    QString shownText() const;

    QSize sizeHint() const override;
    // As narrow as its caller wants: the text shrinks, then is cut.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The text as one line: a line break stored in it reads as a space.
    QString singleLine() const;

    QString m_text;
    QColor m_color;
    qreal m_minimumScale;
    QFont m_font;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
};
