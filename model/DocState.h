#pragma once

#include "base/Color.h"
#include "imaging/Picture.h"

#include <QByteArray>
#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>

namespace vq {

// The canvas sizes the program allows, however they are asked for.
inline constexpr int kMinCanvasSide = 500;
inline constexpr int kMaxCanvasWidth = 10000;
inline constexpr int kMaxCanvasHeight = 7500;

constexpr int kMaxNodes = 1000;        // nodes in use at most
constexpr int kNodeSlots = kMaxNodes + 1;
constexpr int kSourceBytes = 2085;     // source field, terminator included
constexpr int kMaxSourceLength = 2083; // longer texts are replaced by a note

// The canvas and its view state. Written to the data file as 88 bytes.
struct DocState {
    std::int32_t nodeCount = 0;
    std::int32_t mainIndex = 0;
    std::int32_t scrollX = 0;
    std::int32_t scrollY = 0;
    float zoom = 0.0f;
    std::int32_t consoleX = 0;
    std::int32_t consoleY = 0;
    std::int32_t consoleAlways = 0;
    std::int32_t canvasWidth = 0;
    std::int32_t canvasHeight = 0;
    ColorRef backColor = 0;
    ColorRef canvasFrameColor = 0;
    std::int32_t canvasFrameWidth = 0;
    std::int32_t canvasFrameStyle = 0;
    PicturePtr backPicture;
    std::int32_t gridMode = 0;
    std::int32_t gridOnTop = 0;
    ColorRef modeFrameColor = 0;
    std::int32_t modeFrameWidth = 0;
};

// One placed image. Written to the data file as 2164 bytes.
struct NodeRecord {
    std::int32_t centerX = 0;
    std::int32_t centerY = 0;
    std::int32_t halfWidth = 0;
    std::int32_t halfHeight = 0;
    ColorRef frameColor = kNoColor;
    std::int32_t frameWidth = 1;
    std::int32_t frameStyle = 0;
    PicturePtr picture;
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
    std::int32_t dataSize = 0;
    // Where the picture came from, as code page 932 bytes without the
    // terminator (at most kSourceBytes - 1 of them).
    QByteArray source;
};

// Run-time state of a node that is never saved. Where the node lies on the
// screen is not kept here: it is worked out for each zoom (view/ScreenGeometry).
struct NodeScreenInfo {
    std::int32_t selected = 0;
};

} // namespace vq
