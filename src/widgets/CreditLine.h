#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>

class QUrl;

// One line that credits the maker: "Thoughtful software", the maker's name as
// a link to the maker's web site, "Crafted with care". The caller picks the
// size and the two colours, and places and frames the line.
//
// All lengths are logical pixels, like every widget geometry. The line never
// wraps: where it is too narrow, its text shrinks down to half size, and only
// then is it cut short at the end.
//
// It takes no keyboard focus unless its caller gives it a focus policy; with
// the focus, Return, Enter or Space opens the link. A screen reader meets it
// as a link named after the maker that it can press.
class CreditLine : public QWidget
{
    Q_OBJECT

public:
    // `font` is the plain texts' at full size; the link is the same, semibold.
    CreditLine(const QFont &font, const QColor &textColor, const QColor &linkColor,
        QWidget *parent = nullptr);

    // The maker's web site, which a click on the link opens.
    static QUrl makerUrl();

    // One of the three texts as it is drawn at the line's current size;
    // `text` is shortened where the line is cut.
    struct Piece
    {
        QString text;
        QFont font;
        QColor color;
        QRectF rect;
        bool isLink = false;
    };
    // The texts in drawing order; a text cut away entirely is left out.
    QList<Piece> pieces() const;

    // For a caller whose own size changes, such as the alert, which sizes
    // everything from its height.
    void setTextFont(const QFont &font);
    // The font's size in logical pixels, which sets the gaps too.
    qreal fontSize() const;
    void setColours(const QColor &textColor, const QColor &linkColor);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The whole line as one text, for a screen reader.
    QString wholeText() const;
    QString linkText() const;
    void openLink() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Text
    {
        QString text;
        QFont font;
        QColor color;
        bool isLink;
    };
    QList<Text> texts(qreal scale) const;
    QList<Piece> layOut() const;
    void layOutAgain();
    qreal gap() const { return 0.4 * fontSize(); }
    QRectF linkRect() const;
    void updateCursor(const QPointF &position);

    QFont m_textFont;
    QColor m_textColor;
    QColor m_linkColor;
    bool m_pressedOnLink = false;
    // The pieces as last laid out, and the size they were laid out for.
    mutable std::optional<QList<Piece>> m_pieces;
    mutable int m_laidOutWidth = -1;
    mutable int m_laidOutHeight = -1;
};
