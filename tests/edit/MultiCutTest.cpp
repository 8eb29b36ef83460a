// The multi-cut grid, its fit rules, and cutting a node into tiles as nodes
// and as numbered files, on a document without a window.
#include "edit/MultiCut.h"

#include "edit/AddImages.h"
#include "edit/EditSession.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "model/UndoHistory.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace vq {
namespace {

// ---- the grid on the canvas ----

struct OffsetCase {
    int tile;
    float spacing;
    std::vector<int> offsets; // of tiles 0, 1, 2, ... from the range's left
};

class TileOffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(TileOffsetTest, HalfPixelsAccumulate)
{
    const OffsetCase& c = GetParam();
    TileGrid grid;
    grid.range = {37, 11, 37 + c.tile, 11 + c.tile};
    grid.cx = grid.cy = static_cast<int>(c.offsets.size());
    grid.g1000x = grid.g1000y = SpacingThousandths(c.spacing);
    for (int i = 0; i < static_cast<int>(c.offsets.size()); ++i) {
        EXPECT_EQ(grid.tileOrigin(i, 0).x() - 37, c.offsets[i]) << "tile " << i;
        EXPECT_EQ(grid.tileOrigin(0, i).y() - 11, c.offsets[i]) << "tile " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Spacings, TileOffsetTest,
                         ::testing::Values(OffsetCase{100, 0.5f, {0, 100, 201, 301, 402}},
                                           OffsetCase{100, 0.0f, {0, 100, 200, 300}},
                                           // 0.7f is 0.69999999: still seven tenths a gap
                                           OffsetCase{10, 0.7f, {0, 10, 21, 32, 42, 53, 64, 74, 85, 96, 107}},
                                           OffsetCase{50, 12.345f, {0, 62, 124, 187}}));

TEST(SourceTiles, AHalfSizeNodeCutsTwiceAsManyPicturePixels)
{
    TileGrid grid;
    grid.node = {100, 100, 300, 200};
    grid.range = {110, 120, 160, 145}; // 50 x 25 tiles, 10 and 20 in
    grid.g1000x = 2500;
    grid.g1000y = 500;
    const SourceTiles s = SourceTilesFor(grid, 0.5f, 0.5f);
    EXPECT_EQ(s.tile(0, 0), QRect(20, 40, 100, 50));
    EXPECT_EQ(s.tile(1, 0), QRect(20 + 100 + 5, 40, 100, 50));
    EXPECT_EQ(s.tile(2, 1), QRect(20 + 200 + 10, 40 + 50 + 1, 100, 50));
    const SourceTiles same = SourceTilesFor(grid, 1.0f, 1.0f);
    EXPECT_EQ(same.tile(1, 1), QRect(10 + 50 + 2, 20 + 25 + 0, 50, 25));
}

// ---- fit rules ----

struct CountFitCase {
    int tile, g1000, offset, nodeSize;
    int largest;
};

class LargestCountTest : public ::testing::TestWithParam<CountFitCase> {};

TEST_P(LargestCountTest, IsTheMostTilesThatEndInsideTheNode)
{
    const CountFitCase& c = GetParam();
    const int n = LargestFittingCount(c.tile, c.g1000, c.offset, c.nodeSize);
    EXPECT_EQ(n, c.largest);
    if (n < 100 && GridExtent(n, c.tile, c.g1000, c.offset) <= c.nodeSize) {
        EXPECT_GT(GridExtent(n + 1, c.tile, c.g1000, c.offset), c.nodeSize);
    }
}

INSTANTIATE_TEST_SUITE_P(Nodes, LargestCountTest,
                         ::testing::Values(CountFitCase{100, 10, 10, 400, 3},
                                           // two tiles and one gap fill the node exactly
                                           CountFitCase{100, 10000, 0, 210, 2}, CountFitCase{100, 0, 0, 400, 4},
                                           CountFitCase{1, 0, 0, 1000, 100},
                                           // not even one fits: one tile all the same
                                           CountFitCase{500, 0, 0, 400, 1}));

struct SpacingFitCase {
    int count, tile, offset, nodeSize;
    int g1000; // -1: no spacing helps
};

class FittingSpacingTest : public ::testing::TestWithParam<SpacingFitCase> {};

TEST_P(FittingSpacingTest, EndsTheGridExactlyAtTheEdge)
{
    const SpacingFitCase& c = GetParam();
    const int g1000 = FittingSpacingThousandths(c.count, c.tile, c.offset, c.nodeSize);
    EXPECT_EQ(g1000, c.g1000);
    if (g1000 >= 0 && g1000 < 50000) {
        EXPECT_EQ(GridExtent(c.count, c.tile, g1000, c.offset), c.nodeSize);
    }
}

INSTANTIATE_TEST_SUITE_P(Nodes, FittingSpacingTest,
                         ::testing::Values(SpacingFitCase{3, 100, 10, 400, 45000},
                                           SpacingFitCase{4, 70, 10, 400, 36667}, // 3 x 36.667 = 110.001
                                           SpacingFitCase{11, 10, 0, 111, 100},
                                           SpacingFitCase{2, 100, 0, 200, 0},
                                           SpacingFitCase{1, 100, 0, 300, -1}, // one tile has no gap
                                           SpacingFitCase{3, 200, 0, 400, -1}, // tiles alone overflow
                                           SpacingFitCase{2, 10, 0, 1000, 50000})); // at most 50 pixels

// ---- changing the settings with the mode running ----

// A 400 x 200 node at the canvas's top-left corner whose multi-cut range is
// 100 x 50, 10 in from the left and 20 down.
class MultiCutSessionTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        doc.state.canvasWidth = 2000;
        doc.state.canvasHeight = 2000;
        QObject::connect(&session, &EditSession::documentChanged, [this] { ++changes; });
        QObject::connect(&session, &EditSession::selectionChanged, [this] { ++repaints; });
    }

    int addNode(PicturePtr picture, IntRect rect)
    {
        EXPECT_TRUE(AppendNode(doc, std::move(picture), 0, 0, 0, 0));
        const int i = doc.state.nodeCount - 1;
        doc.nodes[i].centerX = (rect.left + rect.right) / 2;
        doc.nodes[i].centerY = (rect.top + rect.bottom) / 2;
        doc.nodes[i].halfWidth = rect.width() / 2;
        doc.nodes[i].halfHeight = rect.height() / 2;
        return i;
    }

    void startMode(int node, IntRect range)
    {
        RangeMode& mode = session.mode();
        mode.modeKind = RangeKind::MultiCut;
        mode.modeNode = node;
        mode.modeRect = range;
        doc.clearSelection();
    }

    Document doc;
    UndoHistory history;
    EditSession session{doc, history};
    SysSettings sys;
    int changes = 0;
    int repaints = 0;
};

struct UpdateCase {
    const char* name;
    int cx, cy;
    float gx, gy;
    MultiCutChange change;
    bool fits;
    int expectCx, expectCy, expectG1000x, expectG1000y;
};

class UpdateSettingsTest : public MultiCutSessionTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateSettingsTest, StoresAndKeepsTheGridOnTheNode)
{
    const UpdateCase& c = GetParam();
    startMode(addNode(nullptr, {0, 0, 400, 200}), {10, 20, 110, 70});
    sys.multiCntX = c.cx;
    sys.multiCntY = c.cy;
    sys.multiMarginX = c.gx;
    sys.multiMarginY = c.gy;

    EXPECT_EQ(UpdateMultiCutSettings(session, sys, c.change), c.fits) << c.name;
    EXPECT_EQ(sys.multiCntX, c.expectCx) << c.name;
    EXPECT_EQ(sys.multiCntY, c.expectCy) << c.name;
    EXPECT_EQ(SpacingThousandths(sys.multiMarginX), c.expectG1000x) << c.name;
    EXPECT_EQ(SpacingThousandths(sys.multiMarginY), c.expectG1000y) << c.name;
    const bool changed = std::string(c.name) != "nothing changed";
    EXPECT_EQ(repaints, changed ? 1 : 0) << c.name << ": the grid shown is the one stored";
    EXPECT_EQ(changes, 0) << c.name << ": settings are no change of the document";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, UpdateSettingsTest,
    ::testing::Values(
        UpdateCase{"three across fit", 1, 1, 0.01f, 0.01f, {3, -1, -1, -1}, true, 3, 1, 10, 10},
        UpdateCase{"four across do not", 3, 1, 0.01f, 0.01f, {4, -1, -1, -1}, false, 3, 1, 10, 10},
        UpdateCase{"a big step lands on the largest", 1, 1, 0.01f, 0.01f, {60, -1, -1, -1}, false, 3, 1, 10, 10},
        UpdateCase{"five down become three", 1, 1, 0.01f, 0.01f, {-1, 5, -1, -1}, false, 1, 3, 10, 10},
        UpdateCase{"a spacing that fits", 3, 1, 0.01f, 0.01f, {-1, -1, 20.0f, -1}, true, 3, 1, 20000, 10},
        UpdateCase{"a spacing too wide ends the grid at the edge", 3, 1, 0.01f, 0.01f, {-1, -1, 50.0f, -1}, false, 3,
                   1, 45000, 10},
        UpdateCase{"a vertical spacing too wide", 1, 3, 0.01f, 0.01f, {-1, -1, -1, 40.0f}, false, 1, 3, 10, 15000},
        UpdateCase{"tiles overflowing without spacing close up", 4, 1, 0.01f, 0.01f, {-1, -1, 5.0f, -1}, false, 3, 1,
                   0, 10},
        UpdateCase{"one tile: any spacing fits", 1, 1, 0.01f, 0.01f, {-1, -1, 60.0f, -1}, true, 1, 1, 50000, 10},
        UpdateCase{"nothing changed", 2, 2, 0.5f, 0.5f, {2, 2, 0.5f, 0.5f}, false, 2, 2, 500, 500},
        UpdateCase{"counts are at least one", 2, 1, 0.01f, 0.01f, {0, -1, -1, -1}, true, 1, 1, 10, 10}));

TEST_F(MultiCutSessionTest, WithoutTheModeAChangeIsOnlyStored)
{
    addNode(nullptr, {0, 0, 400, 200});
    sys.multiCntX = 1;
    EXPECT_FALSE(UpdateMultiCutSettings(session, sys, MultiCutChange{99, -1, -1, -1}));
    EXPECT_EQ(sys.multiCntX, 99);
    EXPECT_EQ(repaints, 0);
}

// ---- tiles as nodes ----

// A picture of four coloured quarters, so each tile shows where it came from.
QImage quarters(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2;
            const bool bottom = y >= h / 2;
            image.setPixel(x, y, right ? (bottom ? qRgb(240, 240, 20) : qRgb(20, 200, 20))
                                       : (bottom ? qRgb(20, 20, 220) : qRgb(220, 20, 20)));
        }
    return image;
}

PicturePtr quartersPicture(int w, int h)
{
    return Picture::fromJpegBytes(EncodeJpeg(quarters(w, h), 100));
}

bool nearColour(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12
        && std::abs(qBlue(a) - qBlue(b)) < 12;
}

struct NodeCutCase {
    const char* name;
    IntRect node;  // shows a 400 x 200 picture
    IntRect range; // half the node each way: the four quarters
    QSize tilePicture;
};

class CutToNodesTest : public MultiCutSessionTest, public ::testing::WithParamInterface<NodeCutCase> {};

TEST_P(CutToNodesTest, EachQuarterBecomesANodeInItsPlace)
{
    const NodeCutCase& c = GetParam();
    const int cut = addNode(quartersPicture(400, 200), c.node);
    startMode(cut, c.range);
    sys.multiCntX = 2;
    sys.multiCntY = 2;
    sys.multiMarginX = 0.0f;
    sys.multiMarginY = 0.0f;
    const QImage rendered = RenderModePicture(doc, session.mode());
    ASSERT_EQ(rendered.size(), QSize(400, 200));

    EXPECT_EQ(CutTilesToNodes(session, sys, rendered, nullptr, nullptr), 4) << c.name;

    ASSERT_EQ(doc.state.nodeCount, 5) << c.name;
    EXPECT_FALSE(session.mode().active()) << "the mode ends";
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(changes, 1);
    const int tw = c.range.width();
    const int th = c.range.height();
    const QPoint centres[4] = {{c.range.left + tw / 2, c.range.top + th / 2},
                               {c.range.left + tw + tw / 2, c.range.top + th / 2},
                               {c.range.left + tw / 2, c.range.top + th + th / 2},
                               {c.range.left + tw + tw / 2, c.range.top + th + th / 2}};
    const QRgb colours[4] = {qRgb(220, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 220), qRgb(240, 240, 20)};
    for (int k = 0; k < 4; ++k) {
        const NodeRecord& n = doc.nodes[cut + 1 + k];
        EXPECT_EQ(QPoint(n.centerX, n.centerY), centres[k]) << c.name << " tile " << k;
        EXPECT_EQ(2 * n.halfWidth, tw) << c.name;
        EXPECT_EQ(2 * n.halfHeight, th) << c.name;
        ASSERT_TRUE(n.picture);
        EXPECT_EQ(n.picture->pixelSize(), c.tilePicture) << c.name;
        EXPECT_EQ(QSize(n.imageWidth, n.imageHeight), c.tilePicture) << c.name;
        EXPECT_EQ(NodeSourceText(n), QStringLiteral("MULTI_CUT"));
        const QImage tile = DecodeImage(n.picture->bytes());
        EXPECT_TRUE(nearColour(tile.pixel(tile.width() / 2, tile.height() / 2), colours[k])) << c.name << " tile " << k;
        EXPECT_TRUE(doc.screen[cut + 1 + k].selected);
    }
    EXPECT_EQ(doc.state.mainIndex, cut + 4);
    EXPECT_EQ(doc.nodes[cut].picture->pixelSize(), QSize(400, 200)) << "the cut node stays";

    ASSERT_TRUE(session.UndoRedo(true));
    EXPECT_EQ(doc.state.nodeCount, 1) << "one step takes all the tiles back";
}

INSTANTIATE_TEST_SUITE_P(Scales, CutToNodesTest,
                         ::testing::Values(NodeCutCase{"full size", {100, 100, 500, 300}, {100, 100, 300, 200}, {200, 100}},
                                           NodeCutCase{"half size", {100, 100, 300, 200}, {100, 100, 200, 150}, {200, 100}}));

TEST_F(MultiCutSessionTest, TheNodeLimitStopsTheCutAndKeepsTheMode)
{
    test::ScriptedPrompter prompts;
    const int cut = addNode(quartersPicture(400, 200), {0, 0, 400, 200});
    while (doc.state.nodeCount < kMaxNodes - 2)
        addNode(nullptr, {0, 0, 10, 10});
    startMode(cut, {0, 0, 200, 100});
    sys.multiCntX = 2;
    sys.multiCntY = 2;
    sys.multiMarginX = sys.multiMarginY = 0.0f;

    Report full;
    EXPECT_EQ(CutTilesToNodes(session, sys, RenderModePicture(doc, session.mode()), nullptr, &full), 2);
    prompts.show(full);

    EXPECT_EQ(doc.state.nodeCount, kMaxNodes);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30163});
    EXPECT_TRUE(session.mode().active());
    EXPECT_EQ(changes, 1);
}

TEST_F(MultiCutSessionTest, AFullDocumentTakesNoTileAndNoUndoStep)
{
    test::ScriptedPrompter prompts;
    const int cut = addNode(quartersPicture(400, 200), {0, 0, 400, 200});
    while (doc.state.nodeCount < kMaxNodes)
        addNode(nullptr, {0, 0, 10, 10});
    startMode(cut, {0, 0, 200, 100});
    Report full;
    EXPECT_EQ(CutTilesToNodes(session, sys, RenderModePicture(doc, session.mode()), nullptr, &full), 0);
    prompts.show(full);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30163});
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(session.mode().active());
}

TEST_F(MultiCutSessionTest, ATileAsWideAsTheCanvasBecomesANode250Wide)
{
    doc.state.canvasWidth = 1000;
    doc.state.canvasHeight = 1000;
    const int cut = addNode(quartersPicture(1000, 400), {0, 0, 1000, 400});
    startMode(cut, {0, 0, 1000, 200});
    sys.multiCntX = 1;
    sys.multiCntY = 2;
    sys.multiMarginX = sys.multiMarginY = 0.0f;
    ASSERT_EQ(CutTilesToNodes(session, sys, RenderModePicture(doc, session.mode()), nullptr, nullptr), 2);
    for (int k = 1; k <= 2; ++k) {
        EXPECT_EQ(2 * doc.nodes[k].halfWidth, 250) << k;
        EXPECT_EQ(2 * doc.nodes[k].halfHeight, 50) << k;
        EXPECT_EQ(doc.nodes[k].picture->pixelSize(), QSize(1000, 200)) << k;
    }
}

TEST_F(MultiCutSessionTest, NothingToCutChangesNothing)
{
    const int cut = addNode(quartersPicture(400, 200), {0, 0, 400, 200});
    startMode(cut, {0, 0, 200, 100});
    EXPECT_EQ(CutTilesToNodes(session, sys, QImage(), nullptr, nullptr), 0) << "no rendered picture";
    session.mode().modeRect = {0, 0, 0, 100};
    EXPECT_EQ(CutTilesToNodes(session, sys, RenderModePicture(doc, session.mode()), nullptr, nullptr), 0)
        << "an empty range";
    EXPECT_EQ(doc.state.nodeCount, 1);
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(changes, 0);
}

// ---- tiles as files ----

TEST_F(MultiCutSessionTest, FileNumbersSkipThoseAlreadyTaken)
{
    const QString folder = filesDir() + QStringLiteral("/tiles/");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(test::writeFile(folder + QStringLiteral("00000000.jpeg"), "old"));
    ASSERT_TRUE(test::writeFile(folder + QStringLiteral("00000002.jpeg"), "old"));
    const int cut = addNode(quartersPicture(400, 200), {0, 0, 400, 200});
    startMode(cut, {0, 0, 200, 100});
    sys.multiCntX = 2;
    sys.multiCntY = 2;
    sys.multiMarginX = sys.multiMarginY = 0.0f;
    sys.multiExt = kTileJpeg;

    const TileFilesResult result =
        CutTilesToFiles(doc, session.mode(), sys, RenderModePicture(doc, session.mode()), folder, nullptr);
    EXPECT_TRUE(result.ran);
    EXPECT_EQ(result.written, 4);
    EXPECT_EQ(result.failed, 0);

    const QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, (QStringList{"00000000.jpeg", "00000001.jpeg", "00000002.jpeg", "00000003.jpeg",
                                  "00000004.jpeg", "00000005.jpeg"}));
    EXPECT_EQ(test::readFile(folder + QStringLiteral("00000002.jpeg")), QByteArray("old"));
    // Row by row: 1 is the top-left quarter, 3 the top-right, 4 and 5 the bottom row.
    const QRgb colours[4] = {qRgb(220, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 220), qRgb(240, 240, 20)};
    const char* numbers[4] = {"00000001", "00000003", "00000004", "00000005"};
    for (int k = 0; k < 4; ++k) {
        const QImage tile = DecodeImage(test::readFile(folder + QLatin1String(numbers[k]) + QStringLiteral(".jpeg")));
        ASSERT_EQ(tile.size(), QSize(200, 100)) << numbers[k];
        EXPECT_TRUE(nearColour(tile.pixel(100, 50), colours[k])) << numbers[k];
    }
    EXPECT_TRUE(session.mode().active()) << "the mode stays";
    EXPECT_EQ(doc.state.nodeCount, 1);
    EXPECT_EQ(changes, 0);
}

TEST_F(MultiCutSessionTest, TilesThatCannotBeWrittenAreCountedNotHidden)
{
    const int cut = addNode(quartersPicture(400, 200), {0, 0, 400, 200});
    startMode(cut, {0, 0, 200, 100});
    sys.multiCntX = 2;
    sys.multiCntY = 1;
    const QString folder = filesDir() + QStringLiteral("/missing/");
    const TileFilesResult result =
        CutTilesToFiles(doc, session.mode(), sys, RenderModePicture(doc, session.mode()), folder, nullptr);
    EXPECT_TRUE(result.ran);
    EXPECT_EQ(result.written, 0);
    EXPECT_EQ(result.failed, 2);
    EXPECT_EQ(result.firstFailure, folder + QStringLiteral("00000000.jpeg"));

    EXPECT_FALSE(CutTilesToFiles(doc, session.mode(), sys, QImage(), folder, nullptr).ran) << "nothing to cut";
}

struct FileTypeCase {
    int type;
    const char* extension;
    const char* format;
};

class TileFileTypeTest : public MultiCutSessionTest, public ::testing::WithParamInterface<FileTypeCase> {};

TEST_P(TileFileTypeTest, WritesTheChosenType)
{
    const FileTypeCase& c = GetParam();
    const QString folder = filesDir() + QStringLiteral("/types/");
    ASSERT_TRUE(QDir().mkpath(folder));
    const int cut = addNode(quartersPicture(400, 200), {0, 0, 200, 100}); // half size
    startMode(cut, {50, 0, 150, 50});
    sys.multiCntX = 1;
    sys.multiCntY = 1;
    sys.multiExt = c.type;

    ASSERT_EQ(CutTilesToFiles(doc, session.mode(), sys, RenderModePicture(doc, session.mode()), folder, nullptr).written,
              1);

    const QString path = folder + QStringLiteral("00000000.") + QLatin1String(c.extension);
    QByteArray format;
    const QImage tile = DecodeImage(test::readFile(path), &format);
    EXPECT_EQ(format, QByteArray(c.format)) << path.toStdString();
    EXPECT_EQ(tile.size(), QSize(200, 100));
}

INSTANTIATE_TEST_SUITE_P(Types, TileFileTypeTest,
                         ::testing::Values(FileTypeCase{kTileJpeg, "jpeg", "jpeg"}, FileTypeCase{kTileGif, "gif", "gif"},
                                           FileTypeCase{kTileBmp, "bmp", "bmp"}, FileTypeCase{kTilePng, "png", "png"},
                                           FileTypeCase{kTileTiff, "tiff", "tiff"}));

} // namespace
} // namespace vq
