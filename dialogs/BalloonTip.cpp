#include "dialogs/BalloonTip.h"

#include <QFont>
#include <QFontMetrics>
#include <QTextLayout>
#include <QToolTip>
#include <QWidget>

namespace vq {

namespace {

// Breaks one line where QTextLayout would, so Japanese text (no spaces)
// wraps between characters and Latin text between words.
void wrapLine(const QString& line, const QFont& font, QStringList& out)
{
    const QFontMetrics metrics(font);
    if (line.isEmpty() || metrics.horizontalAdvance(line) <= kBalloonTipMaxWidth) {
        out << line;
        return;
    }
    QTextLayout layout(line, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine tl = layout.createLine(); tl.isValid(); tl = layout.createLine())
        tl.setLineWidth(kBalloonTipMaxWidth);
    layout.endLayout();
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine tl = layout.lineAt(i);
        QString part = line.mid(tl.textStart(), tl.textLength());
        // A wrapped word boundary leaves its space at the end of the line.
        while (part.endsWith(QLatin1Char(' ')))
            part.chop(1);
        out << part;
    }
}

} // namespace

QStringList BalloonTipLines(const QString& text, const QFont& font)
{
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        wrapLine(line, font, lines);
    return lines;
}

QString BalloonTipHtml(const QString& text, const QFont& font)
{
    QStringList escaped;
    for (const QString& line : BalloonTipLines(text, font))
        escaped << line.toHtmlEscaped();
    // Preformatted, so Qt neither re-wraps the lines nor eats the leading
    // (ideographic) spaces that indent a continuation.
    return QStringLiteral("<p style=\"white-space:pre\">") + escaped.join(QStringLiteral("<br>"))
        + QStringLiteral("</p>");
}

void SetBalloonTip(QWidget* widget, const QString& text)
{
    if (!widget)
        return;
    widget->setToolTip(text.isEmpty() ? QString() : BalloonTipHtml(text, QToolTip::font()));
}

} // namespace vq
