#pragma once

#include "model/DocState.h"

#include <QLine>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <vector>

namespace vq {

// What a drag or the hover animation draws over the finished scene, in client
// pixels. Only this is redrawn while the pointer moves.
struct Feedback {
    enum class Kind { None, Band, Console, Move, Resize, CanvasBar, ModeFrame, HoverDots };
    struct Dot {
        QPoint centre;
        ColorRef colour = 0;
        int penWidth = 2;
    };

    Kind kind = Kind::None;
    QRect rect;                      // band, console box, resize rectangle, canvas bar
    std::array<QPoint, 4> corners{}; // moved outline or range frame: TL, TR, BR, BL
    QString label;                   // the canvas size beside its bar
    QPoint labelAt;                  // baseline start of the label
    ColorRef colour = 0;             // range frame
    int penWidth = 1;                // range frame
    std::vector<Dot> dots;           // hover animation
    QRect dotArea;                   // where the hover animation can draw
    std::vector<QLine> guides;       // move or resize: what the edges snapped to

    [[nodiscard]] bool isNone() const { return kind == Kind::None; }
};

} // namespace vq
