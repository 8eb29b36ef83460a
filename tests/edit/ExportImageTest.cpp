// The canvas written as one image file: which writer a choice selects, and
// the pixels of the written file.
#include "edit/ExportImage.h"

#include "model/RangeModeState.h"
#include "model/Document.h"
#include "base/Settings.h"
#include "tests/edit/ExportScene.h"
#include "imaging/PictureCache.h"
#include "render/CanvasRender.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::NearColour;

struct TargetCase {
    int filter;
    const char* path;
    int bmpFormat; // -1: no target
    const char* type;
};

class ExportTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(ExportTargetTest, FilterAndExtensionChooseTheWriter)
{
    const TargetCase& c = GetParam();
    const auto target = ExportTargetFor(c.filter, QString::fromUtf8(c.path));
    if (c.bmpFormat < 0) {
        EXPECT_FALSE(target.has_value());
        return;
    }
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->bmpFormat, c.bmpFormat);
    EXPECT_EQ(target->type, QString::fromUtf8(c.type));
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ExportTargetTest,
    ::testing::Values(
        // The bitmap formats are written whatever the name says.
        TargetCase{1, "/d/a.bmp", 1, "bmp"}, TargetCase{5, "/d/a.png", 5, "bmp"}, TargetCase{8, "/d/a", 8, "bmp"},
        // Any other type list entry writes what the extension names.
        TargetCase{9, "/d/a.jpeg", 0, "jpeg"}, TargetCase{9, "/d/a.JPG", 0, "jpeg"},
        TargetCase{11, "/d/a.jpeg", 0, "jpeg"}, TargetCase{9, "/d/a.png", 0, "png"},
        TargetCase{12, "/d/a.tif", 0, "tiff"}, TargetCase{10, "/d/a.GIF", 0, "gif"},
        TargetCase{11, "/d/a.bmp", 0, "bmp"},
        // An extension that names no image type, or none at all.
        TargetCase{9, "/d/a.txt", -1, ""}, TargetCase{11, "/d.png/a", -1, ""}, TargetCase{0, "/d/a.png", -1, ""},
        TargetCase{13, "/d/a.png", -1, ""}));

TEST(ExportNamesTest, ProposedNameIsTheTitleUpToItsLastDot)
{
    const struct {
        const char* documentPath;
        const char* proposed;
    } cases[] = {
        {"/home/u/photo.vqd", "photo"},
        {"/home/u/a.b.vqd", "a.b"},
        {"/home/u/plain", "plain"},
        {"/home/u/two\nlines\r\n.vqd", "twolines"},
        {"", "無題"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProposedExportName(QString::fromUtf8(c.documentPath)), QString::fromUtf8(c.proposed))
            << c.documentPath;
}

TEST(ExportNamesTest, NameWithoutExtensionTakesTheChosenType)
{
    const struct {
        const char* typed;
        int filter;
        const char* completed;
    } cases[] = {
        {"/d/pic", 9, "/d/pic.jpeg"}, {"/d/pic", 3, "/d/pic.bmp"},   {"/d/pic", 12, "/d/pic.tiff"},
        {"/d/pic.png", 9, "/d/pic.png"}, {"/d/pic.x", 11, "/d/pic.x"}, {"/d.e/pic", 10, "/d.e/pic.gif"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompleteExportPath(QString::fromUtf8(c.typed), c.filter), QString::fromUtf8(c.completed))
            << c.typed;
}

struct Probe {
    int x;
    int y;
    QColor colour;
    const char* what;
};

class ExportCanvasTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        test::BuildExportScene(doc);
        sys.dspOverlap = 1;
    }

    QImage exportPng(float zoom, const RangeMode& mode = {})
    {
        const QString path = filesDir() + QStringLiteral("/out.png");
        QFile::remove(path);
        EXPECT_EQ(ExportCanvas(doc, sys, mode, zoom, path, ExportTarget{0, QStringLiteral("png")}, 100),
                  ExportResult::Saved);
        return QImage(path);
    }

    static void expectPixels(const QImage& image, std::initializer_list<Probe> probes)
    {
        for (const Probe& p : probes)
            EXPECT_TRUE(NearColour(image.pixel(p.x, p.y), p.colour))
                << p.what << " at " << p.x << "," << p.y << " is " << std::hex << image.pixel(p.x, p.y);
    }

    Document doc;
    SysSettings sys;
};

TEST_F(ExportCanvasTest, FullSizeShowsNodesFramesAndOverlapMarking)
{
    const QImage image = exportPng(1.0f);
    ASSERT_EQ(image.size(), QSize(500, 500));
    expectPixels(image, {
                            {150, 30, Qt::white, "background"},
                            {0, 100, Qt::black, "canvas frame"},
                            {30, 30, Qt::red, "lower node"},
                            {110, 110, Qt::blue, "upper node"},
                            {130, 100, Qt::green, "upper node's frame"},
                            {75, 75, Qt::yellow, "overlap, inverted"},
                        });
}

TEST_F(ExportCanvasTest, HalfZoomScalesEverythingByHalf)
{
    const QImage image = exportPng(0.5f);
    ASSERT_EQ(image.size(), QSize(250, 250));
    expectPixels(image, {
                            {75, 15, Qt::white, "background"},
                            {0, 50, Qt::black, "canvas frame"},
                            {15, 15, Qt::red, "lower node"},
                            {55, 55, Qt::blue, "upper node"},
                            {65, 50, Qt::green, "upper node's frame"},
                            {37, 37, Qt::yellow, "overlap, inverted"},
                        });
}

TEST_F(ExportCanvasTest, OverlapMarkingFollowsTheSetting)
{
    sys.dspOverlap = 0;
    expectPixels(exportPng(1.0f), {{75, 75, Qt::blue, "overlap, not marked"}});
}

TEST_F(ExportCanvasTest, RangeFrameOfTheModeIsDrawnAndHandlesAreNot)
{
    doc.screen[0].selected = 1;
    doc.screen[1].selected = 1;
    RangeMode mode;
    mode.modeKind = RangeKind::Trim;
    mode.modeNode = 0;
    mode.modeRect = IntRect{30, 30, 60, 60};
    const QImage image = exportPng(1.0f, mode);
    expectPixels(image, {
                            {45, 45, Qt::cyan, "inside the range frame, inverted"},
                            {22, 22, Qt::red, "where a corner handle of the lower node would be"},
                            {72, 72, Qt::yellow, "where a corner handle of the upper node would be"},
                        });
    // Exporting leaves the user's view of the document alone.
    EXPECT_EQ(doc.screen[0].selected, 1);
    EXPECT_EQ(doc.screen[1].selected, 1);
    EXPECT_EQ(doc.state.mainIndex, 1);
}

TEST_F(ExportCanvasTest, EveryTypeIsWrittenAsItsExtensionSays)
{
    const struct {
        int filter;
        const char* name;
        QByteArray format;
    } cases[] = {
        {9, "a.jpg", "jpeg"}, {11, "b.jpeg", "jpeg"}, {12, "c.tif", "tiff"},
        {10, "d.gif", "gif"}, {9, "e.png", "png"},    {7, "f.png", "bmp"},
    };
    for (const auto& c : cases) {
        const QString path = filesDir() + QLatin1Char('/') + QLatin1String(c.name);
        const auto target = ExportTargetFor(c.filter, path);
        ASSERT_TRUE(target.has_value()) << c.name;
        ASSERT_EQ(ExportCanvas(doc, sys, {}, 1.0f, path, *target, 90), ExportResult::Saved) << c.name;
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), c.format) << c.name;
        EXPECT_EQ(reader.size(), QSize(500, 500)) << c.name;
    }
}

TEST_F(ExportCanvasTest, JpegQualityIsPassedToTheEncoder)
{
    const QString low = filesDir() + QStringLiteral("/low.jpeg");
    const QString high = filesDir() + QStringLiteral("/high.jpeg");
    const ExportTarget jpeg{0, QStringLiteral("jpeg")};
    ASSERT_EQ(ExportCanvas(doc, sys, {}, 1.0f, low, jpeg, 10), ExportResult::Saved);
    ASSERT_EQ(ExportCanvas(doc, sys, {}, 1.0f, high, jpeg, 100), ExportResult::Saved);
    EXPECT_LT(QFileInfo(low).size(), QFileInfo(high).size());
}

// Photographs shown smaller than they are, one of them twice, and a picture
// whose bytes turn out undecodable only when drawn, over the red node.
TEST_F(ExportCanvasTest, PhotographsComeOutAsTheCanvasDrawsThemWithoutFillingThePictureCache)
{
    QImage ramp(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < ramp.height(); ++y) {
        for (int x = 0; x < ramp.width(); ++x)
            ramp.setPixel(x, y, qRgb(255 * x / ramp.width(), 255 * y / ramp.height(), 128));
    }
    const PicturePtr photo = BitmapToPicture(ramp);
    ASSERT_TRUE(photo);
    ASSERT_TRUE(AppendNode(doc, photo, 200, 150, 300, 150));
    ASSERT_TRUE(AppendNode(doc, photo, 200, 150, 300, 350));
    QByteArray broken = test::makeJpeg(60, 60, Qt::blue);
    broken.truncate(broken.indexOf("\xFF\xDA"));
    broken += "\xFF\xD9";
    ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(broken), 30, 30, 40, 40));
    sys.dspOverlap = 0;

    PictureCache::instance().clear();
    const QImage exported = exportPng(1.0f);
    EXPECT_EQ(PictureCache::instance().usedBytes(), 0u);
    EXPECT_EQ(PictureCache::instance().scaledUsedBytes(), 0u);
    ASSERT_EQ(exported.size(), QSize(500, 500));
    expectPixels(exported, {{40, 40, Qt::red, "lower node, under the undecodable one"}});

    const QImage drawn = RenderCanvas(doc, sys, {}, 1.0f).convertToFormat(QImage::Format_RGB32);
    const QImage written = exported.convertToFormat(QImage::Format_RGB32);
    int worst = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = drawn.pixel(x, y);
            const QRgb b = written.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 6);
}

TEST_F(ExportCanvasTest, ImageTooLargeToHoldWritesNothing)
{
    doc.state.canvasWidth = 10000;
    doc.state.canvasHeight = 10000;
    const QString path = filesDir() + QStringLiteral("/big.png");
    EXPECT_EQ(ExportCanvas(doc, sys, {}, 2.0f, path, ExportTarget{0, QStringLiteral("png")}, 100),
              ExportResult::NoMemory);
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
} // namespace vq
