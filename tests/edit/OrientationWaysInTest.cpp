// Every way a photograph comes in brings it in upright; documents saved
// before keep showing their pictures exactly as they did.
#include "edit/CanvasProperties.h"
#include "edit/CopyPaste.h"
#include "edit/SaveNodeImage.h"
#include "imaging/Clipboard.h"
#include "imaging/Codec.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "model/DocumentFile.h"
#include "tests/edit/ImagesTestSupport.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

using test::ImagesTest;

// Upright 64 × 48, stored 48 × 64 with the tag saying "turn right".
const QImage& Upright()
{
    static const QImage image = test::QuadrantImage(64, 48);
    return image;
}

void ExpectUpright(const PicturePtr& picture, const char* way)
{
    ASSERT_TRUE(picture) << way;
    EXPECT_EQ(picture->pixelSize(), QSize(64, 48)) << way;
    const test::Quadrants q = test::SampleQuadrants(DecodeImage(picture->bytes()));
    EXPECT_TRUE(test::Near(q.topLeft, test::kTopLeft)) << way;
    EXPECT_TRUE(test::Near(q.topRight, test::kTopRight)) << way;
    EXPECT_TRUE(test::Near(q.bottomLeft, test::kBottomLeft)) << way;
    EXPECT_TRUE(test::Near(q.bottomRight, test::kBottomRight)) << way;
    EXPECT_EQ(ExifOrientationOf(picture->bytes()), 1) << way;
}

struct WayIn {
    const char* name;
    // Brings the tagged photo at `path` into the document; the picture it
    // made, or null.
    std::function<PicturePtr(EditSession&, Document&, const QString& path)> bring;
    // Whether the node takes the picture's own size.
    bool sizedByPicture;
};

class WaysInTest : public ImagesTest, public ::testing::WithParamInterface<WayIn> {};

TEST_P(WaysInTest, BringsATaggedPhotoInUpright)
{
    const QString path = filesDir() + QStringLiteral("/portrait.jpg");
    ASSERT_TRUE(test::WriteBytes(path, test::TaggedPhoto(Upright(), 6)));
    const WayIn& way = GetParam();
    const PicturePtr picture = way.bring(*session, doc, path);
    ExpectUpright(picture, way.name);
    if (way.sizedByPicture && doc.state.mainIndex >= 0) {
        const NodeRecord& node = doc.nodes[doc.state.mainIndex];
        EXPECT_EQ(QSize(2 * node.halfWidth, 2 * node.halfHeight), QSize(64, 48)) << way.name;
    }
}

PicturePtr mainPicture(const Document& doc)
{
    return doc.state.mainIndex >= 0 ? doc.nodes[doc.state.mainIndex].picture : nullptr;
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WaysInTest,
    ::testing::Values(
        WayIn{"add image",
              [](EditSession& session, Document& doc, const QString& path) {
                  Placement p;
                  p.client = QSize(800, 600);
                  AddImageFiles(session, {path}, p, nullptr, nullptr, test::scriptedSink());
                  return mainPicture(doc);
              },
              true},
        WayIn{"change image",
              [](EditSession&, Document& doc, const QString& path) {
                  AppendNode(doc, nullptr, 30, 30, 100, 100);
                  LoadedPicture loaded;
                  if (!ReplaceMainImage(doc, path, QStringLiteral("jpeg"), &loaded, nullptr))
                      return PicturePtr();
                  EXPECT_EQ(QSize(loaded.width, loaded.height), QSize(64, 48));
                  return mainPicture(doc);
              },
              false},
        WayIn{"paste of JPEG data",
              [](EditSession& session, Document& doc, const QString& path) {
                  QMimeData data;
                  data.setData(QStringLiteral("image/jpeg"), test::ReadBytes(path));
                  Placement p;
                  p.client = QSize(800, 600);
                  if (!PasteImage(session, UprightImageFromMime(data), p, nullptr))
                      return PicturePtr();
                  return mainPicture(doc);
              },
              true},
        WayIn{"canvas background",
              [](EditSession&, Document&, const QString& path) { return LoadBackgroundPicture(path, nullptr); },
              false}),
    [](const ::testing::TestParamInfo<WayIn>& info) {
        QString name = QString::fromLatin1(info.param.name);
        name.remove(QLatin1Char(' '));
        return name.toStdString();
    });

// A document saved with a tagged picture in it (by an earlier version, which
// kept such bytes as they were) opens showing the picture as stored, its
// bytes untouched; saving that node's picture writes the tag as 1, so the
// file shows what the canvas showed.
TEST_F(ImagesTest, AnOldDocumentShowsItsTaggedPictureAsBefore)
{
    const QByteArray tagged = test::TaggedPhoto(Upright(), 6);
    AppendNode(doc, Picture::fromJpegBytes(tagged), 48, 64, 200, 200);
    const QString path = filesDir() + QStringLiteral("/old.vqd");
    ASSERT_TRUE(SaveDocumentFile(path, doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), test::scriptedSink()));

    Document opened;
    ASSERT_TRUE(OpenDocumentFile(path, opened, nullptr, directJobRunner(), test::scriptedSink()));
    ASSERT_EQ(opened.state.nodeCount, 1);
    const PicturePtr& picture = opened.nodes[0].picture;
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bytes(), tagged);
    EXPECT_EQ(picture->pixelSize(), QSize(48, 64));
    const QImage stored = test::StoredForOrientation(Upright(), 6);
    for (const QImage& shown : {picture->image(), picture->image(QSize(24, 32))}) {
        const test::Quadrants q = test::SampleQuadrants(shown);
        const test::Quadrants expected = test::SampleQuadrants(stored);
        EXPECT_TRUE(test::Near(q.topLeft, expected.topLeft));
        EXPECT_TRUE(test::Near(q.topRight, expected.topRight));
        EXPECT_TRUE(test::Near(q.bottomRight, expected.bottomRight));
    }

    const QString out = filesDir() + QStringLiteral("/node.jpeg");
    ASSERT_EQ(SaveNodeImage(opened, 0, out, nullptr), NodeImageSave::Saved);
    const QByteArray written = test::ReadBytes(out);
    EXPECT_EQ(written, WithUprightOrientationTag(tagged));
    EXPECT_EQ(ExifOrientationOf(written), 1);
    EXPECT_EQ(DecodeImageUpright(written), DecodeImage(tagged)) << "shows elsewhere as it showed on the canvas";
}

} // namespace
} // namespace vq
