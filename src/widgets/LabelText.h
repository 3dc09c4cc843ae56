#pragma once

#include <QString>

// An alarm's label as it is shown beside other text: in the alert's subtitle,
// a row's details line and the names a screen reader reads. The label is the
// user's own text, of any length, in any script, with any characters.
namespace LabelText {

// No more of a label than this is ever shown, measured or read out: far more
// than a line can hold on any screen, and short enough to measure at once
// however long the label is.
constexpr qsizetype kLongestShown = 500;

// The label as one line of at most kLongestShown characters (cut at a
// character boundary, an ellipsis marking the cut), line breaks and tabs read
// as spaces, other control characters and every bidirectional formatting
// character dropped, wrapped as an isolated run (U+2068 ... U+2069): right-to-
// left text or stray controls in it can reorder nothing outside it. Empty for
// an empty label.
QString isolated(const QString &label);

// The label, isolated, then " · " and `rest`; `rest` alone for an empty label.
QString joined(const QString &label, const QString &rest);

} // namespace LabelText
