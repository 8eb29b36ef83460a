#pragma once

#include <QString>
#include <QStringList>

class QFont;
class QWidget;

namespace vq {

// Tooltips that explain a control in a few lines. The text keeps its own
// line breaks; a line wider than kBalloonTipMaxWidth pixels is wrapped so
// that no tip grows wider than that, however long a sentence is.
constexpr int kBalloonTipMaxWidth = 512;

// Gives `widget` the tooltip `text` ("\n" breaks lines).
void SetBalloonTip(QWidget* widget, const QString& text);

// The lines the tip shows with `font`: the text's own lines, each wrapped to
// at most kBalloonTipMaxWidth pixels. Leading spaces are kept.
[[nodiscard]] QStringList BalloonTipLines(const QString& text, const QFont& font);

// The rich text handed to Qt's tooltip for those lines.
[[nodiscard]] QString BalloonTipHtml(const QString& text, const QFont& font);

} // namespace vq
