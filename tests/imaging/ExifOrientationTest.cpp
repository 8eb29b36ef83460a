// Photographs stored sideways with an Exif orientation tag come in upright:
// turned without loss where the coded units allow it, re-encoded where they
// do not, and always with the tag set to 1 so that the kept bytes show the
// same everywhere. Pictures already kept are never reinterpreted.
#include "imaging/Codec.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegTransform.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

namespace vq {
namespace {

using test::kBottomLeft;
using test::kBottomRight;
using test::kTopLeft;
using test::kTopRight;

void ExpectUprightQuadrants(const QImage& image, const std::string& what)
{
    ASSERT_FALSE(image.isNull()) << what;
    const test::Quadrants q = test::SampleQuadrants(image);
    EXPECT_TRUE(test::Near(q.topLeft, kTopLeft)) << what;
    EXPECT_TRUE(test::Near(q.topRight, kTopRight)) << what;
    EXPECT_TRUE(test::Near(q.bottomLeft, kBottomLeft)) << what;
    EXPECT_TRUE(test::Near(q.bottomRight, kBottomRight)) << what;
}

// The payload of the first APP1 segment with its orientation value blanked,
// so two blocks compare equal when only the tag differs.
QByteArray ExifWithoutTag(const QByteArray& jpeg)
{
    const std::optional<ExifOrientationTag> tag = FindExifOrientation(jpeg);
    if (!tag)
        return {};
    const qsizetype start = jpeg.indexOf("Exif");
    const int length = (uchar(jpeg[start - 2]) << 8) | uchar(jpeg[start - 1]);
    QByteArray block = jpeg.mid(start, length - 2);
    block[tag->offset - start] = 0;
    block[tag->offset - start + 1] = 0;
    return block;
}

// The turn that undoes orientation `o` once it has been applied.
int InverseOf(int orientation)
{
    return orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
}

class OrientationTest : public test::IsolatedTest, public ::testing::WithParamInterface<int> {
protected:
    std::optional<LoadedPicture> load(const QByteArray& bytes)
    {
        const QString path = QDir(filesDir()).filePath(QStringLiteral("photo.jpg"));
        EXPECT_TRUE(QDir().mkpath(filesDir()));
        EXPECT_TRUE(test::WriteBytes(path, bytes));
        return LoadPicture(path, QStringLiteral("jpeg"));
    }
};

// Sides in whole 16-pixel units: every orientation turns without loss.
TEST_P(OrientationTest, WholeUnitsTurnLosslesslyAndKeepEveryOtherByte)
{
    const int orientation = GetParam();
    const QImage upright = test::QuadrantImage(64, 48);
    const QByteArray file = test::TaggedPhoto(upright, orientation, orientation % 2 == 1);
    const std::optional<LoadedPicture> loaded = load(file);
    ASSERT_TRUE(loaded);
    const QByteArray& kept = loaded->picture->bytes();

    EXPECT_EQ(QSize(loaded->width, loaded->height), QSize(64, 48));
    EXPECT_EQ(loaded->dataSize, file.size());
    ExpectUprightQuadrants(DecodeImage(kept), "decoded");
    ExpectUprightQuadrants(loaded->picture->image(QSize(32, 24)), "reduced for the screen");

    ASSERT_TRUE(FindExifOrientation(kept));
    EXPECT_EQ(FindExifOrientation(kept)->value, 1);
    EXPECT_EQ(ExifWithoutTag(kept), ExifWithoutTag(file)) << "the rest of the Exif block is the photographer's";
    if (orientation == 1) {
        EXPECT_EQ(kept, file);
        return;
    }
    // Lossless: turning the kept data back gives the very coefficients of the
    // file, so both decode to identical pixels (a re-encode would not).
    const QByteArray back = TransformJpegToUpright(kept, InverseOf(orientation));
    ASSERT_FALSE(back.isEmpty());
    EXPECT_EQ(DecodeImage(back), DecodeImage(file));
}

// 70 × 50 leaves partial units: only the transpose stays exact in the
// compressed domain; the rest are decoded, turned and encoded again, still
// upright, still carrying the Exif block with the tag at 1.
TEST_P(OrientationTest, PartialUnitsFallBackToAnExactPixelTurn)
{
    const int orientation = GetParam();
    const QImage upright = test::QuadrantImage(70, 50);
    const QByteArray file = test::TaggedPhoto(upright, orientation);
    const std::optional<LoadedPicture> loaded = load(file);
    ASSERT_TRUE(loaded);
    const QByteArray& kept = loaded->picture->bytes();

    EXPECT_EQ(QSize(loaded->width, loaded->height), QSize(70, 50));
    ExpectUprightQuadrants(DecodeImage(kept), "decoded");
    ASSERT_TRUE(FindExifOrientation(kept));
    EXPECT_EQ(FindExifOrientation(kept)->value, 1);
    EXPECT_EQ(ExifWithoutTag(kept), ExifWithoutTag(file));
    // The edges are whole pixels: the last column and row still show their
    // quadrant's colour, nothing was trimmed or padded.
    const QImage decoded = DecodeImage(kept);
    EXPECT_TRUE(test::Near(decoded.pixel(69, 49), kBottomRight));
    EXPECT_TRUE(test::Near(decoded.pixel(0, 0), kTopLeft));
}

INSTANTIATE_TEST_SUITE_P(EveryTag, OrientationTest, ::testing::Range(1, 9));

TEST(Orientation, TiffOrientationIsAppliedOnTheWayInOnly)
{
    const QTemporaryDir scope;
    ASSERT_TRUE(scope.isValid());
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    // Stored turned left; the tag asks for a right turn to show it.
    writer.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(writer.write(test::StoredForOrientation(test::QuadrantImage(60, 40), 6)));
    buffer.close();

    const QString path = QDir(scope.path()).filePath(QStringLiteral("scan.tif"));
    ASSERT_TRUE(test::WriteBytes(path, tiff));
    const std::optional<LoadedPicture> loaded = LoadPicture(path, QStringLiteral("tiff"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(QSize(loaded->width, loaded->height), QSize(60, 40));
    ExpectUprightQuadrants(DecodeImage(loaded->picture->bytes()), "re-encoded upright");

    // The same bytes kept in a document as they are still show as stored.
    EXPECT_EQ(DecodeImage(tiff).size(), QSize(40, 60));
}

// `stored` as a PNG file with an eXIf chunk holding `orientation`, before the
// image data where it belongs or, when `afterData`, after it; `exif` replaces
// the chunk's block when given.
QByteArray TaggedPng(const QImage& stored, int orientation, bool afterData = false, QByteArray exif = {})
{
    const QByteArray png = test::Encode(stored, "png");
    if (exif.isEmpty())
        exif = test::ExifSegment(orientation, false).mid(4 + 6); // the block without APP1's header
    const QByteArray body = "eXIf" + exif;
    QByteArray chunk;
    const auto u32 = [&chunk](quint32 v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            chunk.append(char((v >> shift) & 0xFF));
    };
    u32(quint32(exif.size()));
    chunk.append(body);
    u32(test::crc32Of(body));
    const qsizetype at = png.indexOf(afterData ? "IEND" : "IDAT") - 4;
    return QByteArray(png).insert(at, chunk);
}

class PngOrientationTest : public ::testing::TestWithParam<int> {};

// A PNG's Exif block turns it on the way in as a JPEG's does; kept bytes
// still show as stored.
TEST_P(PngOrientationTest, ComesInUpright)
{
    const int orientation = GetParam();
    const QImage upright = test::QuadrantImage(64, 48);
    const QImage stored = test::StoredForOrientation(upright, orientation);
    const QByteArray png = TaggedPng(stored, orientation);
    ASSERT_EQ(PngExifOrientationOf(png), orientation);

    const QImage shown = DecodeImageUpright(png);
    EXPECT_EQ(shown.size(), upright.size());
    ExpectUprightQuadrants(shown, "decoded upright");

    const QTemporaryDir scope;
    ASSERT_TRUE(scope.isValid());
    const QString path = QDir(scope.path()).filePath(QStringLiteral("screen.png"));
    ASSERT_TRUE(test::WriteBytes(path, png));
    const std::optional<LoadedPicture> loaded = LoadPicture(path, QStringLiteral("png"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(QSize(loaded->width, loaded->height), upright.size());
    ExpectUprightQuadrants(DecodeImage(loaded->picture->bytes()), "kept upright");

    EXPECT_EQ(DecodeImage(png).size(), stored.size()) << "kept bytes are not reinterpreted";
}

INSTANTIATE_TEST_SUITE_P(EveryTag, PngOrientationTest, ::testing::Range(1, 9));

TEST(Orientation, PngKeepsItsTransparencyAndIgnoresMisplacedOrDamagedBlocks)
{
    // Upright 64 x 48 with a clear top-left quadrant, stored turned left.
    QImage upright = test::QuadrantImage(64, 48).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x)
            upright.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    const QImage stored = upright.transformed(QTransform().rotate(-90));
    ASSERT_EQ(stored.size(), QSize(48, 64));

    const QImage shown = DecodeImageUpright(TaggedPng(stored, 6));
    ASSERT_EQ(shown.size(), QSize(64, 48));
    EXPECT_EQ(qAlpha(shown.pixel(4, 4)), 0);
    EXPECT_EQ(shown.pixel(60, 44), upright.pixel(60, 44));
    EXPECT_EQ(shown.pixel(60, 4), upright.pixel(60, 4));

    QByteArray damaged = test::ExifSegment(6, false).mid(4 + 6);
    damaged[2] = 43; // not a TIFF structure
    const struct {
        const char* name;
        QByteArray png;
    } ignored[] = {
        {"block after the image data", TaggedPng(stored, 6, true)},
        {"damaged block", TaggedPng(stored, 6, false, damaged)},
        {"block cut short", TaggedPng(stored, 6, false, test::ExifSegment(6, false).mid(4 + 6, 20))},
    };
    for (const auto& c : ignored) {
        EXPECT_EQ(PngExifOrientationOf(c.png), 1) << c.name;
        EXPECT_EQ(DecodeImageUpright(c.png).size(), stored.size()) << c.name;
    }
}

// A picture kept before (a document opened, an undo step) shows exactly as
// it always did: the tag is not applied to kept bytes, which stay untouched.
TEST(Orientation, KeptPicturesAreNotReinterpreted)
{
    const QImage upright = test::QuadrantImage(64, 48);
    const QByteArray tagged = test::TaggedPhoto(upright, 6);
    const PicturePtr kept = Picture::fromBytes(tagged);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->bytes(), tagged);
    EXPECT_EQ(kept->pixelSize(), QSize(48, 64));
    const QImage stored = test::StoredForOrientation(upright, 6);
    const test::Quadrants expected = test::SampleQuadrants(stored);
    for (const QImage& shown : {DecodeImage(tagged), kept->image(), kept->image(QSize(24, 32))}) {
        ASSERT_FALSE(shown.isNull());
        EXPECT_LT(shown.width(), shown.height()) << "still lying on its side";
        const test::Quadrants q = test::SampleQuadrants(shown);
        EXPECT_TRUE(test::Near(q.topLeft, expected.topLeft));
        EXPECT_TRUE(test::Near(q.bottomRight, expected.bottomRight));
    }
}

TEST(Orientation, TagIsSetToOneInPlaceInEitherByteOrder)
{
    for (const bool bigEndian : {false, true}) {
        const QByteArray jpeg = test::TaggedPhoto(test::QuadrantImage(32, 32), 8, bigEndian);
        const QByteArray fixed = WithUprightOrientationTag(jpeg);
        ASSERT_EQ(fixed.size(), jpeg.size());
        const std::optional<ExifOrientationTag> tag = FindExifOrientation(jpeg);
        ASSERT_TRUE(tag);
        EXPECT_EQ(tag->bigEndian, bigEndian);
        EXPECT_EQ(ExifOrientationOf(fixed), 1);
        qsizetype differing = 0;
        for (qsizetype i = 0; i < jpeg.size(); ++i)
            differing += jpeg[i] != fixed[i] ? 1 : 0;
        EXPECT_EQ(differing, 1) << "only the value's significant byte changes, 8 to 1";
    }
    const QByteArray untagged = test::Encode(test::QuadrantImage(32, 32), "jpeg");
    EXPECT_EQ(WithUprightOrientationTag(untagged), untagged);
    EXPECT_EQ(UprightJpeg(untagged), untagged);
}

// Damaged and hostile Exif blocks: no tag, no read past the data, and the
// picture still comes in as stored.
TEST(Orientation, ParserRefusesDamagedBlocks)
{
    const QByteArray jpeg = test::Encode(test::QuadrantImage(32, 32), "jpeg");
    const QByteArray good = test::ExifSegment(6, false);
    ASSERT_EQ(ExifOrientationOf(test::WithSegment(jpeg, good)), 6);

    const auto patched = [&](qsizetype at, QByteArray with) {
        QByteArray s = good;
        s.replace(at, with.size(), with);
        return s;
    };
    // Offsets inside the segment: 0 marker, 2 length, 4 "Exif\0\0", 10 TIFF
    // header, 14 first directory offset, 18 entry count, 20 first entry.
    struct Damage {
        const char* name;
        QByteArray segment;
    };
    const Damage cases[] = {
        {"directory offset past the block", patched(14, QByteArray("\xFF\xFF\xFF\x7F", 4))},
        {"directory offset inside the header", patched(14, QByteArray("\x02\0\0\0", 4))},
        {"directory offset wrapping round", patched(14, QByteArray("\xFE\xFF\xFF\xFF", 4))},
        {"more entries than the block holds", patched(18, QByteArray("\xFF\xFF", 2))},
        {"unknown byte order", patched(10, QByteArray("XX", 2))},
        {"wrong magic number", patched(12, QByteArray("\x2B\0", 2))},
        {"orientation as a long", patched(34, QByteArray("\x04\0", 2))},
        {"orientation with two values", patched(36, QByteArray("\x02\0\0\0", 4))},
        {"segment length past the end", patched(2, QByteArray("\xFF\xF0", 2))},
        {"segment length below two", patched(2, QByteArray("\0\x01", 2))},
        {"block cut to its header", good.left(18)},
    };
    for (const Damage& c : cases) {
        QByteArray bytes = test::WithSegment(jpeg, c.segment);
        if (c.segment.size() < good.size()) {
            // The length still claims the whole block: the stream ends inside it.
            bytes = bytes.left(2 + c.segment.size());
        }
        EXPECT_EQ(ExifOrientationOf(bytes), 1) << c.name;
        EXPECT_EQ(WithUprightOrientationTag(bytes), bytes) << c.name;
    }
    // Every prefix of a tagged stream, and an out-of-range value.
    const QByteArray tagged = test::WithSegment(jpeg, good);
    for (qsizetype n = 0; n < 80; ++n)
        EXPECT_EQ(ExifOrientationOf(tagged.left(n)), n >= 2 + good.size() ? 6 : 1) << n;
    EXPECT_EQ(ExifOrientationOf(test::WithSegment(jpeg, test::ExifSegment(9, true))), 1);
    EXPECT_EQ(UprightJpeg(test::WithSegment(jpeg, test::ExifSegment(0, false))),
              test::WithSegment(jpeg, test::ExifSegment(0, false)));
    // A tag after the first scan is image data, not a tag.
    EXPECT_EQ(ExifOrientationOf(jpeg + good), 1);
}

} // namespace
} // namespace vq
