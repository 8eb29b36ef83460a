// HEIC, AVIF and WebP pictures come in converted to what a document keeps,
// upright and in sRGB; the limits that guard every decoder guard these too.
#include "base/TextUtil.h"
#include "imaging/Codec.h"
#include "imaging/HeifDecode.h"
#include "imaging/ImageDecode.h"
#include "imaging/Picture.h"
#include "tests/imaging/ColourFixtures.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <memory>
#include <type_traits>

namespace vq {
namespace {

int subsamplingOf(const QByteArray& jpeg)
{
    const std::unique_ptr<std::remove_pointer_t<tjhandle>, decltype(&tjDestroy)> handle(tjInitDecompress(),
                                                                                       &tjDestroy);
    int width = 0, height = 0, subsampling = -1, colourSpace = 0;
    tjDecompressHeader3(handle.get(), reinterpret_cast<const unsigned char*>(jpeg.constData()),
                        static_cast<unsigned long>(jpeg.size()), &width, &height, &subsampling, &colourSpace);
    return subsampling;
}

struct IncomingCase {
    const char* fixture;
    const char* savedAs;
    bool transparent; // kept as PNG, bottom-right quadrant see-through
    int tolerance;
};

class IncomingFormatTest : public test::IsolatedTest, public ::testing::WithParamInterface<IncomingCase> {};

TEST_P(IncomingFormatTest, ComesInConvertedUprightAndInTrueColour)
{
    const IncomingCase& c = GetParam();
    const QByteArray file = test::Fixture(c.fixture);
    const QString path = filesDir() + QLatin1Char('/') + QLatin1String(c.savedAs);
    ASSERT_TRUE(test::WriteBytes(path, file));
    const std::optional<LoadedPicture> loaded = LoadPicture(path, AddableImageTypeFromPath(path));
    ASSERT_TRUE(loaded) << c.savedAs;
    EXPECT_EQ(loaded->width, 64);
    EXPECT_EQ(loaded->height, 48);
    EXPECT_EQ(loaded->dataSize, file.size());
    const QByteArray& kept = loaded->picture->bytes();
    EXPECT_EQ(ProbeImage(kept).format, c.transparent ? "png" : "jpeg") << c.savedAs;
    EXPECT_EQ(ProbeImage(kept).size, QSize(64, 48));
    if (!c.transparent) {
        EXPECT_EQ(subsamplingOf(kept), TJSAMP_444) << c.savedAs;
    }

    const QImage shown = DecodeImage(kept);
    ASSERT_FALSE(shown.isNull());
    const test::Quadrants q = test::SampleQuadrants(shown);
    EXPECT_TRUE(test::Near(q.topLeft, test::kVividTopLeft, c.tolerance)) << c.savedAs << std::hex << " " << q.topLeft;
    EXPECT_TRUE(test::Near(q.topRight, test::kVividTopRight, c.tolerance)) << c.savedAs << std::hex << " " << q.topRight;
    EXPECT_TRUE(test::Near(q.bottomLeft, test::kVividBottomLeft, c.tolerance)) << c.savedAs;
    if (c.transparent)
        EXPECT_EQ(qAlpha(q.bottomRight), 0) << c.savedAs;
    else
        EXPECT_TRUE(test::Near(q.bottomRight, test::kVividBottomRight, c.tolerance)) << c.savedAs;
}

INSTANTIATE_TEST_SUITE_P(
    Files, IncomingFormatTest,
    ::testing::Values(IncomingCase{"p3.heic", "phone.heic", false, 8},
                      // The content decides, not the name.
                      IncomingCase{"p3.heic", "renamed.jpg", false, 8},
                      IncomingCase{"plain.avif", "web.avif", false, 16},
                      IncomingCase{"p3.webp", "web.webp", false, 8},
                      IncomingCase{"alpha.avif", "cutout.avif", true, 16},
                      IncomingCase{"alpha.webp", "cutout.webp", true, 8}),
    [](const auto& info) {
        std::string name = info.param.savedAs;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

// A HEIF file whose every image-size box (the coded frame's and the shown
// picture's) claims `width` × `height`.
QByteArray heicClaiming(quint32 width, quint32 height)
{
    QByteArray bytes = test::Fixture("p3.heic");
    for (qsizetype box = bytes.indexOf("ispe"); box >= 0; box = bytes.indexOf("ispe", box + 4)) {
        qsizetype at = box + 8; // after the version and flags
        for (const quint32 word : {width, height}) {
            for (int i = 0; i < 4; ++i)
                bytes[at++] = char(word >> (24 - 8 * i));
        }
    }
    return bytes;
}

// A WebP whose extended header claims another canvas size.
QByteArray webpClaiming(int width, int height)
{
    QByteArray bytes = test::Fixture("p3.webp");
    const qsizetype canvas = bytes.indexOf("VP8X") + 8 + 4;
    for (int i = 0; i < 3; ++i) {
        bytes[canvas + i] = char((width - 1) >> (8 * i));
        bytes[canvas + 3 + i] = char((height - 1) >> (8 * i));
    }
    return bytes;
}

TEST_F(IncomingFormatTest, RefusesWhatTheLimitsRefuse)
{
    const QByteArray heic = test::Fixture("p3.heic");
    ASSERT_TRUE(HeifImageSize(heic).isValid());
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        // Each side within bounds, the pixels over the budget.
        {"heic over the pixel budget", heicClaiming(20000, 20000)},
        {"heic wider than any picture", heicClaiming(70000, 48)},
        {"heic cut short", heic.left(heic.size() / 2)},
        {"webp over the pixel budget", webpClaiming(16384, 16385)},
        {"text named heic", QByteArray("not a picture at all, just some words")},
    };
    for (const auto& c : cases) {
        const QString path = filesDir() + QStringLiteral("/limit.heic");
        ASSERT_TRUE(test::WriteBytes(path, c.bytes));
        EXPECT_FALSE(LoadPicture(path, QStringLiteral("heif"))) << c.name;
        EXPECT_TRUE(DecodeImageUpright(c.bytes).isNull()) << c.name;
    }
    EXPECT_FALSE(HeifImageSize(heicClaiming(20000, 20000)).isValid());
}

TEST(KeptPictureTest, NoKeptPictureIsDecodedFromAConvertedFormat)
{
    // A document's blocks hold only what its readers expect; bytes of another
    // format there stay undecodable rather than reach a lesser-used decoder.
    for (const char* name : {"p3.heic", "plain.avif", "p3.webp"}) {
        const PicturePtr picture = Picture::fromBytes(test::Fixture(name));
        ASSERT_TRUE(picture) << name;
        EXPECT_TRUE(DecodeImage(picture->bytes()).isNull()) << name;
    }
}

} // namespace
} // namespace vq
