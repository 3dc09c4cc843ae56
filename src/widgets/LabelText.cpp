#include "widgets/LabelText.h"

#include <QList>
#include <QTextBoundaryFinder>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// The explicit embeddings, overrides and isolates, and their ends.
bool isBidiControl(char32_t c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool isLineBreak(char32_t c)
{
    return c == u'\n' || c == u'\r' || c == u'\t' || c == 0x2028 || c == 0x2029 || c == 0x85;
}

} // namespace

QString LabelText::isolated(const QString &label)
{
    if (label.isEmpty())
        return {};
    QStringView kept(label);
    bool cut = false;
    if (kept.size() > kLongestShown) {
        // Never between the halves of a surrogate pair or within a cluster;
        // the finder reads the text it is given whole, so it gets a little
        // more than is kept, never the whole label.
        const QString around = label.first(kLongestShown + 32);
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, around);
        graphemes.setPosition(kLongestShown);
        if (!graphemes.isAtBoundary())
            graphemes.toPreviousBoundary();
        kept = kept.first(std::max<qsizetype>(graphemes.position(), 0));
        cut = true;
    }
    QString shown;
    shown.reserve(kept.size() + 3);
    shown.append(QChar(0x2068));
    for (const char32_t c : kept.toUcs4()) {
        if (isLineBreak(c))
            shown.append(u' ');
        else if (!isBidiControl(c) && QChar::category(c) != QChar::Other_Control)
            shown.append(QStringView(QChar::fromUcs4(c)));
    }
    if (cut)
        shown.append(QChar(0x2026));
    shown.append(QChar(0x2069));
    return shown;
}

QString LabelText::joined(const QString &label, const QString &rest)
{
    return label.isEmpty() ? rest : isolated(label) + u" \u00B7 "_s + rest;
}
