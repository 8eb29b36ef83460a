#pragma once

#include <QImage>
#include <QPoint>

class QPainter;

namespace vq {

// The artwork of the zoom console: a round face with a plus button at the top
// and a minus button at the bottom, and a strip of ten digit glyphs, all drawn
// once at start-up; plus the face showing the current percentage.
class ZoomConsoleArt {
public:
    ZoomConsoleArt();

    // The 130 x 130 face without digits; transparent outside the disc.
    [[nodiscard]] const QImage& face() const { return m_face; }
    // Ten 32 x 50 glyphs 0..9 side by side; transparent between strokes.
    [[nodiscard]] const QImage& digits() const { return m_digits; }
    // The face with the current percentage.
    [[nodiscard]] const QImage& consoleImage() const { return m_consoleImage; }
    [[nodiscard]] bool isNull() const { return m_face.isNull() || m_digits.isNull() || m_consoleImage.isNull(); }

    // Puts trunc(zoom x 100) on a fresh copy of the face.
    void RefreshConsoleImage(float zoom);

    // The console centred at `centre`, and the dial ring round it when asked.
    void draw(QPainter& painter, QPoint centre, bool dialActive) const;

private:
    QImage m_face;
    QImage m_digits;
    QImage m_consoleImage;
};

} // namespace vq
