// The canvas painters drawing into a QImage, checked pixel by pixel.
#include "render/Painters.h"
#include "render/PictureSupply.h"
#include "render/ScreenGeometry.h"

#include "imaging/PictureCache.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "tests/view/ViewTestSupport.h"
#include "model/RangeModeState.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::exactly;
using test::makeJpegPicture;
using test::near;

const QColor kUntouched(0x12, 0x34, 0x56);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
constexpr ColorRef kRedRef = 0x0000FF;

class PaintersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PictureCache::instance().clear();
        doc.ResetDocument();
        doc.state.backColor = 0x808080;
        sys.dspOverlap = 1;
        sys.multiCntX = 1;
        sys.multiCntY = 1;
        image = QImage(1100, 1100, QImage::Format_RGB32);
        image.fill(kUntouched);
    }

    // A node covering `r` (canvas pixels, even sizes).
    int addNode(QRect r, PicturePtr picture, ColorRef frame = kNoColor, int width = 1, int style = 0)
    {
        const int i = doc.state.nodeCount++;
        NodeRecord& n = doc.nodes[i];
        n.centerX = r.x() + r.width() / 2;
        n.centerY = r.y() + r.height() / 2;
        n.halfWidth = r.width() / 2;
        n.halfHeight = r.height() / 2;
        n.picture = std::move(picture);
        n.frameColor = frame;
        n.frameWidth = width;
        n.frameStyle = style;
        return i;
    }

    void paint(float zoom, bool withHandles = true)
    {
        image.fill(kUntouched);
        QPainter p(&image);
        PaintCanvasBackground(p, doc, zoom);
        PaintNodes(p, doc, sys, mode, zoom, withHandles);
    }

    [[nodiscard]] QRgb at(int x, int y) const { return image.pixel(x, y); }

    Document doc;
    SysSettings sys;
    RangeMode mode;
    QImage image;
};

TEST_F(PaintersTest, NodePictureFillsItsScreenRectangleAtEveryZoom)
{
    addNode({200, 150, 200, 100}, makeJpegPicture({200, 100}, kRed, kBlue));
    for (const float zoom : {1.0f, 0.5f, 2.0f, 0.3f}) {
        SCOPED_TRACE(zoom);
        paint(zoom);
        const IntRect r = IntRect{200, 150, 400, 250}.scaled(zoom);
        const int midY = (r.top + r.bottom) / 2;
        EXPECT_TRUE(near(at(r.left + 1, midY), kRed));
        EXPECT_TRUE(near(at(r.right - 2, midY), kBlue));
        EXPECT_TRUE(near(at(r.left + 1, r.top), kRed));
        EXPECT_TRUE(near(at(r.right - 1, r.bottom - 1), kBlue));
        EXPECT_TRUE(exactly(at(r.left - 1, midY), kGrey));
        EXPECT_TRUE(exactly(at(r.right, midY), kGrey));
        EXPECT_TRUE(exactly(at(r.left + 5, r.bottom), kGrey));
        const NodeGeometry s = ComputeScreenGeometry(doc, zoom).nodes[0];
        EXPECT_TRUE(s.shown);
        EXPECT_EQ(s.corners[0], QPoint(r.left, r.top));
        EXPECT_EQ(s.corners[2], QPoint(r.right, r.bottom));
        EXPECT_EQ(s.edgeMids[1], QPoint(r.right, r.top + (r.bottom - r.top) / 2));
    }
}

TEST_F(PaintersTest, NodeWithoutPictureShowsNothingAtAll)
{
    addNode({200, 200, 100, 100}, nullptr, kRedRef, 3);
    doc.screen[0].selected = 1;
    doc.state.mainIndex = 0;
    mode.modeNode = 0;
    mode.modeRect = doc.NodeRect(0);
    image.fill(kUntouched);
    QPainter p(&image);
    EXPECT_FALSE(PaintNode(p, doc, mode, 0, 1.0f));
    PaintNodes(p, doc, sys, mode, 1.0f, true);
    p.end();
    EXPECT_FALSE(ComputeScreenGeometry(doc, 1.0f).nodes[0].shown);
    // No picture, no frame, no range overlay, no handles.
    for (const QPoint& pt : {QPoint(250, 250), QPoint(200, 250), QPoint(197, 197), QPoint(203, 203), QPoint(250, 200)})
        EXPECT_TRUE(exactly(at(pt.x(), pt.y()), kUntouched)) << pt.x() << "," << pt.y();
}

TEST_F(PaintersTest, NodesOutsideTheVisibleAreaStillGetTheirGeometry)
{
    addNode({800, 800, 100, 60}, makeJpegPicture({100, 60}, kRed));
    const NodeGeometry g = ComputeScreenGeometry(doc, 0.5f).nodes[0];
    EXPECT_EQ(g.corners[0], QPoint(400, 400));
    EXPECT_EQ(g.corners[2], QPoint(450, 430));
    EXPECT_EQ(g.edgeMids[2], QPoint(425, 430));
}

struct FrameCase {
    const char* name;
    FrameStyle style;
    int width;
    float zoom;
    int total; // pixels across the line
    int white; // pixels of the white middle line
};

class FrameWidthTest : public PaintersTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameWidthTest, CrossSectionOfTheTopEdge)
{
    const FrameCase& c = GetParam();
    addNode({300, 300, 400, 200}, makeJpegPicture({400, 200}, kGreen), kRedRef, c.width, StoredFrameStyle(c.style));
    paint(c.zoom);
    const IntRect r = IntRect{300, 300, 700, 500}.scaled(c.zoom);
    const int x = (r.left + r.right) / 2;
    int first = -1;
    int frame = 0;
    int white = 0;
    int firstWhite = -1;
    for (int y = r.top - 20; y <= r.top + 20; ++y) {
        const bool isFrame = exactly(at(x, y), kRed);
        const bool isWhite = exactly(at(x, y), Qt::white);
        if ((isFrame || isWhite) && first < 0)
            first = y;
        if (isWhite && firstWhite < 0)
            firstWhite = y;
        frame += isFrame ? 1 : 0;
        white += isWhite ? 1 : 0;
    }
    EXPECT_EQ(frame + white, c.total);
    EXPECT_EQ(white, c.white);
    EXPECT_EQ(first, r.top - c.total / 2) << "the line is centred on the node's edge";
    if (c.white > 0) {
        EXPECT_EQ(firstWhite, r.top - c.white / 2) << "the white line runs along the middle";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FrameWidthTest,
    ::testing::Values(FrameCase{"Solid1", FrameStyle::Solid, 1, 1.0f, 1, 0},
                      FrameCase{"Solid4", FrameStyle::Solid, 4, 1.0f, 4, 0},
                      FrameCase{"SolidAtLeastOnePixel", FrameStyle::Solid, 1, 0.5f, 1, 0},
                      FrameCase{"Solid3AtZoom2", FrameStyle::Solid, 3, 2.0f, 6, 0},
                      FrameCase{"Double1", FrameStyle::Double, 1, 1.0f, 3, 1},
                      FrameCase{"Double2", FrameStyle::Double, 2, 1.0f, 3, 1},
                      FrameCase{"Double2AtHalfZoomLosesWhite", FrameStyle::Double, 2, 0.5f, 1, 0},
                      FrameCase{"Double20", FrameStyle::Double, 20, 1.0f, 25, 5}),
    [](const auto& info) { return info.param.name; });

TEST_F(PaintersTest, LineStylesHaveTheirRhythm)
{
    const auto coverage = [&](FrameStyle style, int width) {
        doc.state.nodeCount = 0;
        addNode({100, 300, 800, 200}, makeJpegPicture({80, 20}, kGreen), kRedRef, width, StoredFrameStyle(style));
        paint(1.0f);
        int hits = 0;
        int total = 0;
        for (int x = 120; x < 880; ++x, ++total)
            hits += exactly(at(x, 300), kRed) ? 1 : 0;
        return double(hits) / total;
    };
    EXPECT_DOUBLE_EQ(coverage(FrameStyle::Solid, 1), 1.0);
    const double dash = coverage(FrameStyle::Dash, 1);
    const double dashDot = coverage(FrameStyle::DashDot, 1);
    const double dashDotDot = coverage(FrameStyle::DashDotDot, 1);
    const double dot = coverage(FrameStyle::Dot, 1);
    EXPECT_NEAR(dash, 4.0 / 6, 0.05);
    EXPECT_NEAR(dashDot, 5.0 / 9, 0.05);
    EXPECT_NEAR(dashDotDot, 6.0 / 12, 0.05);
    EXPECT_NEAR(dot, 1.0 / 3, 0.05);
    // Wide round-capped dashes still leave gaps.
    const double wideDash = coverage(FrameStyle::Dash, 4);
    EXPECT_GT(wideDash, 0.4);
    EXPECT_LT(wideDash, 0.9);
    const double wideDot = coverage(FrameStyle::Dot, 4);
    EXPECT_GT(wideDot, 0.15);
    EXPECT_LT(wideDot, 0.6);
}

TEST_F(PaintersTest, BackgroundColourAndCanvasFrame)
{
    doc.state.backColor = 0x00FF00;
    paint(1.0f);
    EXPECT_TRUE(exactly(at(500, 500), kGreen));
    EXPECT_TRUE(exactly(at(0, 500), QColor(0x48, 0x5A, 0x7B)));
    EXPECT_TRUE(exactly(at(999, 500), QColor(0x48, 0x5A, 0x7B)));
    EXPECT_TRUE(exactly(at(500, 999), QColor(0x48, 0x5A, 0x7B)));
    EXPECT_TRUE(exactly(at(1000, 500), kUntouched)) << "nothing is drawn beyond the canvas";

    paint(0.5f);
    EXPECT_TRUE(exactly(at(499, 100), QColor(0x48, 0x5A, 0x7B)));
    EXPECT_TRUE(exactly(at(500, 100), kUntouched));

    doc.state.canvasFrameColor = kNoColor;
    paint(1.0f);
    EXPECT_TRUE(exactly(at(0, 500), kGreen));
}

TEST_F(PaintersTest, BackgroundPictureIsStretchedOverTheCanvas)
{
    doc.state.backPicture = makeJpegPicture({100, 80}, kRed, kBlue);
    doc.state.canvasFrameColor = kNoColor;
    paint(1.0f);
    EXPECT_TRUE(near(at(10, 500), kRed));
    EXPECT_TRUE(near(at(400, 10), kRed));
    EXPECT_TRUE(near(at(600, 990), kBlue));
    EXPECT_TRUE(near(at(990, 990), kBlue));
}

TEST(DarkenColour, ChannelsClampedAndBlackOrNoneGrey)
{
    EXPECT_EQ(DarkenColour(0xFFFFFF, 64), 0xBFBFBF);
    EXPECT_EQ(DarkenColour(0xFFFFFF, 128), 0x7F7F7F);
    EXPECT_EQ(DarkenColour(0x102030, 0x20), 0x000010);
    EXPECT_EQ(DarkenColour(0, 64), 0x808080);
    EXPECT_EQ(DarkenColour(kNoColor, 128), 0x808080);
    // 0x00BBGGRR: the low byte is red.
    EXPECT_EQ(ColorFromRef(0xC08040), QColor(0x40, 0x80, 0xC0));
    EXPECT_EQ(RefFromColor(QColor(0x40, 0x80, 0xC0)), 0xC08040);
    EXPECT_FALSE(ColorFromRef(kNoColor).isValid());
}

class GridTest : public PaintersTest {
protected:
    void paintGrid(int gridMode)
    {
        doc.state.gridMode = gridMode;
        image.fill(kUntouched);
        QPainter p(&image);
        PaintCanvasBackground(p, doc, 1.0f);
        PaintGrid(p, doc, 1.0f);
    }
    // Fractions of pixels in column x (or row y) with `colour`, away from the
    // crossing lines.
    double columnShare(int x, QColor colour, int spacing = 100) const
    {
        int hits = 0;
        int total = 0;
        for (int y = 1; y < 1000; ++y) {
            if (y % spacing <= 1 || y % spacing >= spacing - 1)
                continue;
            ++total;
            hits += exactly(at(x, y), colour) ? 1 : 0;
        }
        return double(hits) / total;
    }
    double rowShare(int y, QColor colour) const
    {
        int hits = 0;
        int total = 0;
        for (int x = 1; x < 1000; ++x) {
            if (x % 100 <= 1 || x % 100 >= 99)
                continue;
            ++total;
            hits += exactly(at(x, y), colour) ? 1 : 0;
        }
        return double(hits) / total;
    }
};

TEST_F(GridTest, EveryFifthLineDashedEveryTenthSolid)
{
    doc.state.backColor = 0xFFFFFF;
    doc.state.canvasFrameColor = kNoColor;
    paintGrid(4);
    const QColor light(0xBF, 0xBF, 0xBF);
    const QColor dark(0x7F, 0x7F, 0x7F);
    for (int x = 100; x <= 900; x += 100) {
        SCOPED_TRACE(x);
        if (x == 500) {
            EXPECT_NEAR(columnShare(x, dark), 4.0 / 6, 0.05);
            EXPECT_DOUBLE_EQ(columnShare(x, light), 0.0);
        } else {
            EXPECT_NEAR(columnShare(x, light), 1.0 / 3, 0.05);
            EXPECT_DOUBLE_EQ(columnShare(x, dark), 0.0);
        }
    }
    EXPECT_DOUBLE_EQ(columnShare(1000, dark), 1.0);
    EXPECT_DOUBLE_EQ(rowShare(1000, dark), 1.0);
    EXPECT_NEAR(rowShare(500, dark), 4.0 / 6, 0.05);
    EXPECT_NEAR(rowShare(300, light), 1.0 / 3, 0.05);
    EXPECT_DOUBLE_EQ(columnShare(350, light) + columnShare(350, dark), 0.0) << "no line between spacings";
    EXPECT_DOUBLE_EQ(columnShare(1100 - 1, dark), 0.0) << "no line beyond the canvas";
}

TEST_F(GridTest, SpacingFollowsTheMode)
{
    doc.state.backColor = 0xFFFFFF;
    doc.state.canvasFrameColor = kNoColor;
    const QColor light(0xBF, 0xBF, 0xBF);
    paintGrid(1);
    EXPECT_NEAR(columnShare(10, light, 10), 1.0 / 3, 0.05);
    EXPECT_DOUBLE_EQ(columnShare(15, light, 10), 0.0);
    paintGrid(2);
    EXPECT_NEAR(columnShare(40, light, 40), 1.0 / 3, 0.05);
    EXPECT_DOUBLE_EQ(columnShare(10, light, 40), 0.0);
}

TEST_F(GridTest, BlackOrNoBackgroundGivesGreyLines)
{
    doc.state.canvasFrameColor = kNoColor;
    for (const ColorRef back : {ColorRef(0), kNoColor}) {
        SCOPED_TRACE(back);
        doc.state.backColor = back;
        paintGrid(4);
        EXPECT_GT(columnShare(300, kGrey), 0.2);
        EXPECT_DOUBLE_EQ(columnShare(1000, kGrey), 1.0);
    }
}

TEST_F(GridTest, CentreCrossAndHiddenGrid)
{
    doc.state.backColor = 0xFFFFFF;
    doc.state.canvasFrameColor = kNoColor;
    const QColor light(0xBF, 0xBF, 0xBF);
    paintGrid(5);
    EXPECT_NEAR(columnShare(500, light), 1.0 / 3, 0.05);
    EXPECT_NEAR(rowShare(500, light), 1.0 / 3, 0.05);
    EXPECT_DOUBLE_EQ(columnShare(100, light), 0.0);
    paintGrid(-4);
    EXPECT_DOUBLE_EQ(columnShare(500, light) + columnShare(1000, QColor(0x7F, 0x7F, 0x7F)), 0.0);
}

class OverlapTest : public PaintersTest {
protected:
    void SetUp() override
    {
        PaintersTest::SetUp();
        addNode({100, 100, 200, 200}, makeJpegPicture({20, 20}, kRed));
        addNode({200, 200, 200, 200}, makeJpegPicture({20, 20}, kGreen));
        addNode({250, 150, 200, 100}, makeJpegPicture({20, 20}, kBlue));
    }
};

TEST_F(OverlapTest, RecordsOverlapsWithLowerNodesAndInvertsThem)
{
    paint(1.0f);
    const ScreenGeometry g = ComputeScreenGeometry(doc, 1.0f);
    const auto& top = g.nodes[2];
    EXPECT_EQ(top.overlapIndex, (std::array<std::int32_t, 4>{0, 1, -1, -1}));
    EXPECT_EQ(top.overlapRects[0], QRect(250, 150, 50, 100));
    EXPECT_EQ(top.overlapRects[1], QRect(250, 200, 150, 50));
    EXPECT_TRUE(top.overlapRects[2].isEmpty());
    EXPECT_EQ(g.nodes[1].overlapIndex, (std::array<std::int32_t, 4>{0, -1, -1, -1}));
    EXPECT_EQ(g.nodes[1].overlapRects[0], QRect(200, 200, 100, 100));
    EXPECT_EQ(g.nodes[0].overlapIndex, (std::array<std::int32_t, 4>{-1, -1, -1, -1}));

    EXPECT_TRUE(near(at(120, 120), kRed)) << "no overlap";
    EXPECT_TRUE(near(at(210, 280), QColor(255, 0, 255))) << "green over red, inverted once";
    EXPECT_TRUE(near(at(260, 160), QColor(255, 255, 0))) << "blue over red, inverted once";
    EXPECT_TRUE(near(at(350, 210), QColor(255, 255, 0))) << "blue over green, inverted once";
    EXPECT_TRUE(near(at(260, 210), QColor(255, 255, 0))) << "three covers: inverted three times";
}

TEST_F(OverlapTest, RecordedButNotShownWhenHighlightingIsOff)
{
    sys.dspOverlap = 0;
    paint(1.0f);
    EXPECT_EQ(ComputeScreenGeometry(doc, 1.0f).nodes[2].overlapIndex[1], 1);
    EXPECT_TRUE(near(at(210, 280), kGreen));
    EXPECT_TRUE(near(at(260, 210), kBlue));
}

TEST_F(OverlapTest, ScreenRectanglesFollowTheZoom)
{
    paint(0.5f);
    EXPECT_EQ(ComputeScreenGeometry(doc, 0.5f).nodes[2].overlapRects[1], QRect(125, 100, 75, 25));
    EXPECT_TRUE(near(at(105, 140), QColor(255, 0, 255)));
}

TEST_F(OverlapTest, SameInversionOnImagesThatCannotXor)
{
    paint(1.0f);
    const QImage xored = image.copy();
    QImage other(image.size(), QImage::Format_RGB888);
    other.fill(kUntouched);
    {
        QPainter p(&other);
        PaintCanvasBackground(p, doc, 1.0f);
        PaintNodes(p, doc, sys, mode, 1.0f, false);
    }
    for (const QPoint pt : {QPoint(120, 120), QPoint(210, 280), QPoint(260, 160), QPoint(350, 210), QPoint(260, 210)})
        EXPECT_TRUE(near(other.pixel(pt), QColor::fromRgb(xored.pixel(pt)), 2)) << pt.x() << "," << pt.y();
}

// Hidden parts of lower nodes are skipped; the picture must be the same as
// drawing every node whole, in order, and inverting every overlap rectangle.
TEST_F(PaintersTest, SkippingHiddenPartsChangesNoPixel)
{
    const QColor colours[] = {kRed, kGreen, kBlue, QColor(200, 200, 40), QColor(40, 200, 200)};
    std::vector<PicturePtr> pictures;
    for (const QColor& c : colours)
        pictures.push_back(makeJpegPicture({40, 30}, c, c.darker(150)));
    std::uint32_t seed = 12345;
    const auto next = [&](int bound) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(bound));
    };
    for (int i = 0; i < 60; ++i) {
        const int w = 2 * (20 + next(120));
        const int h = 2 * (15 + next(90));
        addNode({next(900), next(900), w, h}, pictures[static_cast<std::size_t>(i) % pictures.size()],
                next(3) == 0 ? kNoColor : ColorRef(next(0xFFFFFF)), 1 + next(8), next(6));
    }
    mode.modeNode = 30;
    mode.modeRect = doc.NodeRect(30);
    doc.state.modeFrameColor = 0x00FF00;
    for (const float zoom : {1.0f, 0.5f}) {
        SCOPED_TRACE(zoom);
        paint(zoom, false);
        QImage whole(image.size(), QImage::Format_RGB32);
        whole.fill(kUntouched);
        QPainter p(&whole);
        PaintCanvasBackground(p, doc, zoom);
        for (int i = 0; i < doc.state.nodeCount; ++i) {
            ASSERT_TRUE(PaintNode(p, doc, mode, i, zoom));
            if (i == mode.modeNode)
                PaintModeFrame(p, doc.state, mode, zoom);
        }
        for (const NodeGeometry& g : ComputeScreenGeometry(doc, zoom).nodes) {
            for (const QRect& r : g.overlapRects)
                InvertRect(p, r);
        }
        p.end();
        EXPECT_EQ(whole, image);
    }
}

TEST_F(PaintersTest, AtMostFourOverlapsPerNode)
{
    for (int k = 0; k < 5; ++k)
        addNode({100 + 60 * k, 600, 50, 50}, makeJpegPicture({10, 10}, kRed));
    addNode({90, 610, 310, 30}, makeJpegPicture({10, 10}, kGreen));
    paint(1.0f);
    const NodeGeometry g = ComputeScreenGeometry(doc, 1.0f).nodes[5];
    EXPECT_EQ(g.overlapIndex, (std::array<std::int32_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(g.overlapRects[3], QRect(280, 610, 50, 30));
    EXPECT_TRUE(near(at(110, 620), QColor(255, 0, 255)));
    EXPECT_TRUE(near(at(290, 620), QColor(255, 0, 255)));
    EXPECT_TRUE(near(at(350, 620), kGreen)) << "the fifth overlap is neither recorded nor shown";
}

TEST_F(PaintersTest, HandlesInMainAndOtherColours)
{
    addNode({100, 100, 200, 100}, makeJpegPicture({20, 20}, kGreen));
    addNode({500, 100, 200, 100}, makeJpegPicture({20, 20}, kGreen));
    doc.state.mainIndex = 0;
    doc.screen[0].selected = 1;
    doc.screen[1].selected = 1;
    paint(1.0f);
    const QColor mainPen(0x40, 0x80, 0xC0);
    const QColor mainFill(0x00, 0x40, 0x80);
    const QColor otherPen(0xFF, 0x84, 0x84);
    const QColor otherFill(0xFF, 0x44, 0x44);
    // Corner squares are 8 x 8 round the corner, edge squares 6 x 6.
    EXPECT_TRUE(exactly(at(96, 96), mainPen));
    EXPECT_TRUE(exactly(at(103, 96), mainPen));
    EXPECT_TRUE(exactly(at(97, 97), mainFill));
    EXPECT_TRUE(exactly(at(102, 102), mainFill));
    EXPECT_TRUE(near(at(105, 105), kGreen));
    EXPECT_TRUE(exactly(at(197, 97), mainPen)) << "top edge midpoint";
    EXPECT_TRUE(exactly(at(200, 100), mainFill));
    EXPECT_TRUE(exactly(at(202, 102), mainPen));
    EXPECT_TRUE(exactly(at(296, 196), mainPen)) << "bottom-right corner";
    EXPECT_TRUE(exactly(at(496, 96), otherPen));
    EXPECT_TRUE(exactly(at(500, 100), otherFill));
    EXPECT_TRUE(exactly(at(700, 150), otherFill)) << "right edge midpoint";

    paint(1.0f, false);
    EXPECT_TRUE(exactly(at(96, 96), kGrey));
    EXPECT_TRUE(near(at(102, 102), kGreen));
}

TEST(ScreenGeometry, EdgeMidpointsHalveDownward)
{
    Document doc;
    doc.ResetDocument();
    // An odd-sized rectangle on screen: (10, 10) to (31, 21) at zoom 0.5.
    AppendNode(doc, nullptr, 0, 0, 0, 0);
    doc.nodes[0] = NodeRecord{};
    doc.nodes[0].centerX = 41;
    doc.nodes[0].centerY = 31;
    doc.nodes[0].halfWidth = 21;
    doc.nodes[0].halfHeight = 11;
    const NodeGeometry g = ComputeScreenGeometry(doc, 0.5f).nodes[0];
    EXPECT_EQ(g.corners, (std::array<QPoint, 4>{QPoint(10, 10), QPoint(31, 10), QPoint(31, 21), QPoint(10, 21)}));
    EXPECT_EQ(g.edgeMids, (std::array<QPoint, 4>{QPoint(20, 10), QPoint(31, 15), QPoint(20, 21), QPoint(10, 15)}));
}

TEST_F(PaintersTest, FramelessNodesGetAGreyOutlineOnlyWhileAModeIsActive)
{
    addNode({100, 100, 200, 100}, makeJpegPicture({20, 20}, kGreen));
    addNode({500, 100, 200, 100}, makeJpegPicture({20, 20}, kGreen), kRedRef);
    paint(1.0f);
    EXPECT_TRUE(exactly(at(300, 150), kGrey));

    mode.modeNode = 1;
    mode.modeRect = {550, 120, 650, 180};
    paint(1.0f);
    EXPECT_TRUE(exactly(at(300, 150), QColor(0xC0, 0xC0, 0xC0)));
    EXPECT_TRUE(exactly(at(200, 100), QColor(0xC0, 0xC0, 0xC0)));
    EXPECT_TRUE(exactly(at(700, 110), kRed)) << "framed nodes keep their own frame";

    paint(2.0f);
    EXPECT_TRUE(exactly(at(599, 300), QColor(0xC0, 0xC0, 0xC0)));
    EXPECT_TRUE(exactly(at(600, 300), QColor(0xC0, 0xC0, 0xC0))) << "two pixels wide at zoom 2";
}

class ModeFrameTest : public PaintersTest {
protected:
    void SetUp() override
    {
        PaintersTest::SetUp();
        addNode({100, 100, 400, 300}, makeJpegPicture({20, 20}, kGreen));
        doc.state.modeFrameColor = kRedRef;
        doc.state.modeFrameWidth = 1;
        mode.modeNode = 0;
        mode.modeRect = {200, 200, 300, 300};
    }
    [[nodiscard]] int countOnRow(int y, int x0, int x1, QColor colour) const
    {
        int hits = 0;
        for (int x = x0; x < x1; ++x)
            hits += exactly(at(x, y), colour) ? 1 : 0;
        return hits;
    }
    [[nodiscard]] int countOnColumn(int x, int y0, int y1, QColor colour) const
    {
        int hits = 0;
        for (int y = y0; y < y1; ++y)
            hits += exactly(at(x, y), colour) ? 1 : 0;
        return hits;
    }
    const QColor dark{0xBF, 0, 0};
};

TEST_F(ModeFrameTest, InvertedAreaDottedOutlineHighlightedPartCornerSquares)
{
    mode.modePart = ModePart::Right;
    paint(1.0f);
    EXPECT_TRUE(near(at(250, 250), QColor(255, 0, 255)));
    EXPECT_TRUE(near(at(190, 250), kGreen));
    EXPECT_EQ(countOnColumn(300, 210, 290, dark), 80) << "the chosen right edge is solid and darker";
    const int dotted = countOnRow(200, 210, 290, kRed);
    EXPECT_GT(dotted, 15);
    EXPECT_LT(dotted, 45);
    EXPECT_EQ(countOnRow(200, 210, 290, dark), 0);
    for (const QPoint c : {QPoint(200, 200), QPoint(300, 200), QPoint(300, 300), QPoint(200, 300)}) {
        EXPECT_TRUE(exactly(at(c.x() - 2, c.y() - 2), kRed));
        EXPECT_TRUE(exactly(at(c.x() + 1, c.y() + 1), kRed));
    }

    mode.modePart = ModePart::TopRight; // the top and right edges
    paint(1.0f);
    EXPECT_EQ(countOnRow(200, 210, 290, dark), 80);
    EXPECT_EQ(countOnColumn(300, 210, 290, dark), 80);
    EXPECT_EQ(countOnColumn(200, 210, 290, dark), 0);

    mode.modePart = ModePart::Inside; // the whole outline solid and darker
    paint(1.0f);
    EXPECT_EQ(countOnColumn(200, 210, 290, dark), 80);
    EXPECT_EQ(countOnRow(300, 210, 290, dark), 80);
}

TEST_F(ModeFrameTest, NodesAboveCoverTheModeFrame)
{
    sys.dspOverlap = 0;
    addNode({150, 150, 200, 200}, makeJpegPicture({20, 20}, kBlue));
    paint(1.0f);
    EXPECT_TRUE(near(at(250, 250), kBlue));
    EXPECT_EQ(countOnColumn(300, 210, 290, dark), 0);
}

TEST_F(ModeFrameTest, MultiCutCellsRepeatTheFirstWithGaps)
{
    mode.modeKind = RangeKind::MultiCut;
    mode.modeRect = {200, 200, 260, 240};
    paint(1.0f);
    EXPECT_EQ(countOnColumn(330, 205, 235, kRed), 0) << "one cell only";

    sys.multiCntX = 2;
    sys.multiCntY = 2;
    sys.multiMarginX = 10.0f;
    paint(1.0f);
    // Cell (1, 0) starts a width plus the 10-pixel gap to the right.
    EXPECT_EQ(countOnColumn(270, 205, 235, kRed), 30);
    EXPECT_EQ(countOnColumn(330, 205, 235, kRed), 30);
    EXPECT_EQ(countOnColumn(265, 205, 235, kRed), 0);
    // Cell (0, 1) sits right below the first: its bottom edge at 280.
    EXPECT_EQ(countOnRow(280, 205, 255, kRed), 50);
    EXPECT_EQ(countOnRow(280, 275, 325, kRed), 50) << "cell (1, 1)";
}

} // namespace
} // namespace vq

namespace vq {
namespace {

// Thin outlines are drawn as separate segments: their corners close, and a
// dash pattern starts afresh on every side.
struct CornerCase {
    int width;
    FrameStyle style;
    std::vector<QPoint> painted; // pixels that must be in the outline colour
};

class OutlineCorners : public ::testing::TestWithParam<CornerCase> {};

TEST_P(OutlineCorners, CornersAreClosed)
{
    const CornerCase& c = GetParam();
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        const std::array<QPoint, 5> outline{QPoint(5, 5), QPoint(18, 5), QPoint(18, 18), QPoint(5, 18), QPoint(5, 5)};
        DrawPenShape(p, outline, 0x0000FF, c.style, c.width);
    }
    for (const QPoint& pt : c.painted)
        EXPECT_EQ(image.pixel(pt), qRgb(255, 0, 0)) << "width " << c.width << " at " << pt.x() << "," << pt.y();
}

INSTANTIATE_TEST_SUITE_P(
    Widths, OutlineCorners,
    ::testing::Values(
        CornerCase{1, FrameStyle::Solid, {{5, 5}, {18, 5}, {18, 18}, {5, 18}}},
        // Even widths lie up and left of the line; the outer corner pixel must be there too.
        CornerCase{2, FrameStyle::Solid, {{4, 4}, {5, 4}, {4, 5}, {18, 4}, {18, 18}, {4, 18}, {17, 17}}},
        CornerCase{3, FrameStyle::Solid, {{4, 4}, {5, 5}, {18, 5}, {19, 5}, {18, 18}, {5, 18}, {6, 6}}},
        // Every side starts with a dash at its own first corner.
        CornerCase{1, FrameStyle::Dash, {{5, 5}, {18, 5}, {18, 18}, {5, 18}}},
        CornerCase{1, FrameStyle::Dot, {{5, 5}, {18, 5}, {18, 18}, {5, 18}}}));

// The window's painting: what is not decoded is drawn as a placeholder or
// from a stand-in, never waited for.
TEST_F(PaintersTest, WithoutWaitingAMissingPictureIsAPlaceholderInItsFrameUntilItArrives)
{
    addNode({100, 100, 200, 100}, makeJpegPicture({400, 200}, kRed, kBlue), kRedRef, 3);
    doc.screen[0].selected = 1;
    doc.state.mainIndex = 0;
    const QColor placeholder(0xE6, 0xE6, 0xE6);
    {
        CachedPictureSupply supply(this);
        {
            PictureSupplyScope scope(supply);
            paint(1.0f);
        }
        EXPECT_TRUE(supply.missedAny());
        EXPECT_FALSE(PictureCache::instance().hasScaled(*doc.nodes[0].picture, {200, 100}))
            << "nothing was decoded while painting";
    }
    EXPECT_TRUE(exactly(at(150, 150), placeholder));
    EXPECT_TRUE(exactly(at(250, 150), placeholder));
    EXPECT_TRUE(exactly(at(150, 100), kRed)) << "the frame as usual";
    EXPECT_TRUE(exactly(at(96, 100), ColorFromRef(kMainHandlePen))) << "and the handles";
    EXPECT_TRUE(exactly(at(50, 50), kGrey));

    // The supply asked the workers for what it missed.
    PictureCache::instance().waitForRequests();
    CachedPictureSupply again(this);
    {
        PictureSupplyScope scope(again);
        paint(1.0f);
    }
    EXPECT_FALSE(again.missedAny());
    EXPECT_TRUE(near(at(120, 150), kRed));
    EXPECT_TRUE(near(at(280, 150), kBlue));
}

TEST_F(PaintersTest, WithoutWaitingASmallerDecodeStandsInScaledUp)
{
    const PicturePtr picture = makeJpegPicture({400, 200}, kRed, kBlue);
    addNode({100, 100, 400, 200}, picture);
    (void)PictureCache::instance().scaled(*picture, {100, 50});
    CachedPictureSupply supply(this);
    {
        PictureSupplyScope scope(supply);
        paint(1.0f);
    }
    EXPECT_TRUE(supply.missedAny());
    EXPECT_TRUE(near(at(130, 200), kRed));
    EXPECT_TRUE(near(at(470, 200), kBlue));
    EXPECT_TRUE(exactly(at(90, 200), kGrey));
    EXPECT_TRUE(exactly(at(505, 200), kGrey));
}

TEST_F(PaintersTest, AnUndecodablePictureFoundByTheWorkersShowsNothing)
{
    sys.dspOverlap = 0;
    addNode({100, 100, 100, 100}, makeJpegPicture({100, 100}, kGreen));
    QByteArray bytes = makeJpegPicture({100, 100}, kRed)->bytes();
    bytes.truncate(bytes.indexOf("\xFF\xDA"));
    bytes += "\xFF\xD9";
    addNode({150, 150, 100, 100}, Picture::fromJpegBytes(bytes), kRedRef, 3);
    for (int pass = 0; pass < 2; ++pass) {
        {
            CachedPictureSupply supply(this);
            PictureSupplyScope scope(supply);
            paint(1.0f);
        }
        if (pass == 0) {
            EXPECT_TRUE(exactly(at(220, 220), QColor(0xE6, 0xE6, 0xE6))) << "not known yet: a placeholder";
        }
        PictureCache::instance().waitForRequests();
    }
    EXPECT_TRUE(near(at(170, 170), kGreen)) << "what lay beneath shows";
    EXPECT_TRUE(exactly(at(220, 220), kGrey));
    EXPECT_TRUE(near(at(150, 170), kGreen)) << "and no frame";
}

} // namespace
} // namespace vq
