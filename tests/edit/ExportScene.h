#pragma once

// A small composition whose every area has one known colour, for the tests
// that read exported pixels back.
#include "imaging/Codec.h"
#include "model/Document.h"

#include <QColor>
#include <QImage>

#include <cstdlib>

namespace vq::test {

// 500 x 500 (the smallest a document file keeps) white canvas with a 1-pixel black frame. Node 0: red, canvas
// rectangle (20, 20)-(80, 80), no frame. Node 1: blue, (70, 70)-(130, 130),
// green solid frame 4 wide. They overlap in (70, 70)-(80, 80).
inline void BuildExportScene(Document& doc)
{
    doc.ResetDocument();
    doc.state.canvasWidth = 500;
    doc.state.canvasHeight = 500;
    doc.state.backColor = 0xFFFFFF;
    doc.state.canvasFrameColor = 0x000000;
    doc.state.canvasFrameWidth = 1;
    doc.state.canvasFrameStyle = 0;
    const struct {
        QColor colour;
        int cx;
        ColorRef frame;
    } nodes[] = {{Qt::red, 50, kNoColor}, {Qt::blue, 100, 0x00FF00}};
    for (const auto& n : nodes) {
        QImage picture(60, 60, QImage::Format_RGB32);
        picture.fill(n.colour);
        const int index = doc.state.nodeCount;
        NodeRecord& node = doc.nodes[index];
        node = NodeRecord{};
        node.picture = BitmapToPicture(picture);
        node.centerX = n.cx;
        node.centerY = n.cx;
        node.halfWidth = 30;
        node.halfHeight = 30;
        node.imageWidth = 60;
        node.imageHeight = 60;
        node.frameColor = n.frame;
        node.frameWidth = 4;
        node.frameStyle = 0;
        ++doc.state.nodeCount;
    }
    doc.state.mainIndex = 1;
}

// Pictures are held as JPEG, so solid colours come back a little off.
inline bool NearColour(QRgb actual, QColor expected, int tolerance = 16)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance
           && std::abs(qGreen(actual) - expected.green()) <= tolerance
           && std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

} // namespace vq::test
