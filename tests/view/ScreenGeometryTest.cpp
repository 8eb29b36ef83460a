// Where nodes lie on the screen at one zoom, worked out from the document alone.
#include "render/ScreenGeometry.h"

#include "imaging/Picture.h"
#include "model/Document.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

class ScreenGeometryTest : public ::testing::Test {
protected:
    void SetUp() override { picture = Picture::fromJpegBytes(test::makeJpeg(8, 8)); }
    // A node over the canvas rectangle `r` (even sizes only).
    void add(const IntRect& r, PicturePtr pic)
    {
        NodeRecord& n = doc.nodes[static_cast<std::size_t>(doc.state.nodeCount++)];
        n.centerX = (r.left + r.right) / 2;
        n.centerY = (r.top + r.bottom) / 2;
        n.halfWidth = r.width() / 2;
        n.halfHeight = r.height() / 2;
        n.picture = std::move(pic);
    }
    void add(const IntRect& r) { add(r, picture); }
    Document doc;
    PicturePtr picture;
};

TEST_F(ScreenGeometryTest, CornersAndEdgeMidpointsOfTheZoomedRectangle)
{
    // Canvas (68, 30)-(134, 72); at 0.5 the left edge is trunc(34) and the
    // width trunc(66 * 0.5) = 33, so the screen rectangle is (34, 15)-(67, 36).
    add({68, 30, 134, 72});
    const ScreenGeometry g = ComputeScreenGeometry(doc, 0.5f);
    ASSERT_EQ(g.count(), 1);
    EXPECT_FLOAT_EQ(g.zoom, 0.5f);
    const NodeGeometry& n = g.nodes[0];
    EXPECT_EQ(n.corners, (std::array<QPoint, 4>{QPoint(34, 15), QPoint(67, 15), QPoint(67, 36), QPoint(34, 36)}));
    EXPECT_EQ(n.edgeMids, (std::array<QPoint, 4>{QPoint(50, 15), QPoint(67, 25), QPoint(50, 36), QPoint(34, 25)}));
}

TEST_F(ScreenGeometryTest, WidthScaledApartFromTheLeftEdge)
{
    // Left trunc(398 * 0.3) = 119 and width trunc(6 * 0.3) = 1, not trunc(404 * 0.3) = 121.
    add({398, 298, 404, 304});
    const NodeGeometry n = ComputeScreenGeometry(doc, 0.3f).nodes[0];
    EXPECT_EQ(n.corners[0], QPoint(119, 89));
    EXPECT_EQ(n.corners[2], QPoint(120, 90));
}

TEST_F(ScreenGeometryTest, OnlyNodesWithADecodablePictureAreShown)
{
    const PicturePtr broken = Picture::fromJpegBytes(test::makeJpeg(8, 8));
    broken->noteUndecodable();
    add({0, 0, 10, 10});
    add({0, 0, 10, 10}, nullptr);
    add({0, 0, 10, 10}, broken);
    const ScreenGeometry g = ComputeScreenGeometry(doc, 1.0f);
    ASSERT_EQ(g.count(), 3);
    EXPECT_TRUE(g.nodes[0].shown);
    EXPECT_FALSE(g.nodes[1].shown);
    EXPECT_FALSE(g.nodes[2].shown);
    // A hidden node still has its place: it can be clicked and moved.
    EXPECT_EQ(g.nodes[1].corners[2], QPoint(10, 10));
}

TEST_F(ScreenGeometryTest, OneEntryPerNodeInUse)
{
    EXPECT_EQ(ComputeScreenGeometry(doc, 1.0f).count(), 0);
    add({0, 0, 10, 10});
    add({0, 0, 10, 10});
    EXPECT_EQ(ComputeScreenGeometry(doc, 1.0f).count(), 2);
}

TEST_F(ScreenGeometryTest, OverlapsWithLowerNodesOnly)
{
    add({0, 0, 100, 100});
    add({50, 50, 150, 150});
    add({100, 0, 200, 60}); // touches node 0's right edge, overlaps node 1
    const ScreenGeometry g = ComputeScreenGeometry(doc, 1.0f);
    EXPECT_EQ(g.nodes[0].overlapIndex, (std::array<std::int32_t, 4>{-1, -1, -1, -1}));
    EXPECT_EQ(g.nodes[1].overlapIndex, (std::array<std::int32_t, 4>{0, -1, -1, -1}));
    EXPECT_EQ(g.nodes[1].overlapRects[0], QRect(50, 50, 50, 50));
    EXPECT_EQ(g.nodes[2].overlapIndex, (std::array<std::int32_t, 4>{1, -1, -1, -1}));
    EXPECT_EQ(g.nodes[2].overlapRects[0], QRect(100, 50, 50, 10));
}

TEST_F(ScreenGeometryTest, AtMostFourOverlapsLowestFirst)
{
    for (int i = 0; i < 6; ++i)
        add({0, 0, 10, 10});
    const ScreenGeometry g = ComputeScreenGeometry(doc, 1.0f);
    EXPECT_EQ(g.nodes[5].overlapIndex, (std::array<std::int32_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(g.nodes[4].overlapIndex, (std::array<std::int32_t, 4>{0, 1, 2, 3}));
    EXPECT_EQ(g.nodes[2].overlapIndex, (std::array<std::int32_t, 4>{0, 1, -1, -1}));
}

TEST_F(ScreenGeometryTest, OverlapIntersectedOnTheCanvasThenScaled)
{
    // The canvas intersection (51, 51)-(102, 102) is 51 wide: trunc(25.5) = 25
    // on screen, where intersecting the two screen rectangles would give 26.
    add({0, 0, 102, 102});
    add({51, 51, 151, 151});
    const ScreenGeometry g = ComputeScreenGeometry(doc, 0.5f);
    EXPECT_EQ(g.nodes[1].overlapRects[0], QRect(25, 25, 25, 25));
}

} // namespace
} // namespace vq
