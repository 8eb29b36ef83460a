// Pictures are drawn in sRGB whatever colour space their file is stored in.
#include "imaging/Codec.h"
#include "imaging/ColorProfile.h"
#include "imaging/ImageDecode.h"
#include "imaging/Picture.h"
#include "tests/imaging/ColourFixtures.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"

#include <QColorSpace>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

// The profile of every carrier is found where its format keeps it, and the
// decode of every path the canvas takes shows the picture's true colours,
// where the stored values alone would not.
struct ProfiledCase {
    const char* name;
    std::function<QByteArray()> profile;
    std::function<QByteArray(const QByteArray& profile)> bytes;
};

class ProfiledPictureTest : public ::testing::TestWithParam<ProfiledCase> {};

const QSize kPhotoSize(256, 192);

TEST_P(ProfiledPictureTest, ShowsTrueColoursOnEveryDecodePath)
{
    const ProfiledCase& c = GetParam();
    const QByteArray profile = c.profile();
    const QByteArray bytes = c.bytes(profile);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(EmbeddedIccProfile(bytes), profile) << c.name;

    // Without the profile the stored values show other colours; the case
    // would prove nothing otherwise.
    const QImage stored = test::InProfileSpace(test::VividImage({8, 8}), profile);
    EXPECT_FALSE(test::Near(stored.pixel(1, 1), test::kVividTopLeft, 14) && test::Near(stored.pixel(6, 1), test::kVividTopRight, 14))
        << c.name;

    test::ExpectVivid(DecodeImage(bytes), c.name);
    // The canvas's reduced decodes, from the JPEG shortcut or Qt's reader.
    test::ExpectVivid(DecodeImage(bytes, nullptr, {64, 48}), c.name);
    test::ExpectVivid(DecodeImageUpright(bytes), c.name);
    const PicturePtr kept = Picture::fromBytes(bytes);
    ASSERT_TRUE(kept);
    test::ExpectVivid(kept->image({128, 96}), c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Carriers, ProfiledPictureTest,
    ::testing::Values(
        ProfiledCase{"jpeg-p3", &test::DisplayP3Profile,
                     [](const QByteArray& p) { return test::ProfiledJpeg(kPhotoSize, p); }},
        // A profile over several APP2 segments is joined in sequence order.
        ProfiledCase{"jpeg-p3-split", &test::DisplayP3Profile,
                     [](const QByteArray& p) { return test::ProfiledJpeg(kPhotoSize, p, 100); }},
        ProfiledCase{"jpeg-swapped-matrix", [] { return test::SwappedRedGreenProfile(false); },
                     [](const QByteArray& p) { return test::ProfiledJpeg(kPhotoSize, p); }},
        ProfiledCase{"jpeg-swapped-table", [] { return test::SwappedRedGreenProfile(true); },
                     [](const QByteArray& p) { return test::ProfiledJpeg(kPhotoSize, p); }},
        ProfiledCase{"png-p3", &test::DisplayP3Profile,
                     [](const QByteArray& p) { return test::ProfiledImage(kPhotoSize, p, "png"); }},
        ProfiledCase{"tiff-swapped-matrix", [] { return test::SwappedRedGreenProfile(false); },
                     [](const QByteArray& p) { return test::ProfiledImage(kPhotoSize, p, "tiff"); }}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(SwappedProfileTest, OnlyLittleCmsReadsTheTableProfile)
{
    // Otherwise the table case would not reach the second converter.
    EXPECT_FALSE(QColorSpace::fromIccProfile(test::SwappedRedGreenProfile(true)).isValid());
    EXPECT_TRUE(QColorSpace::fromIccProfile(test::SwappedRedGreenProfile(false)).isValid());
}

TEST(EmbeddedProfileTest, DamagedOrAbsentProfilesAreIgnored)
{
    const QByteArray p3 = test::DisplayP3Profile();
    const QByteArray split = test::ProfiledJpeg({32, 24}, p3, 100);
    // Dropping the second APP2 segment leaves a gap in the sequence.
    const qsizetype second = split.indexOf("ICC_PROFILE", split.indexOf("ICC_PROFILE") + 1) - 4;
    ASSERT_GT(second, 0);
    const int length = (quint8(split[second + 2]) << 8) | quint8(split[second + 3]);
    QByteArray gap = split;
    gap.remove(second, 2 + length);
    const QByteArray truncatedPng = test::ProfiledImage({32, 24}, p3, "png").left(60);
    for (const QByteArray& bytes : {gap, truncatedPng, test::Encode(test::VividImage({32, 24}), "png"),
                                    test::Encode(test::VividImage({32, 24}), "jpeg"), QByteArray("RIFF")})
        EXPECT_TRUE(EmbeddedIccProfile(bytes).isEmpty());
    // Colours of a picture whose profile cannot be used stay as stored.
    const QImage plain = test::VividImage({16, 16});
    EXPECT_EQ(ConvertToSrgb(plain, QByteArray("not a profile")), plain);
}

// Four-colour JPEGs, as layout programs write them (inverted inks behind an
// Adobe segment) and plain: both show their inks' colours, in full and
// reduced decodes, and are kept byte for byte.
class CmykPictureTest : public test::IsolatedTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CmykPictureTest, ShowsItsInksAndKeepsItsBytes)
{
    const QByteArray bytes = test::CmykJpeg({160, 120}, GetParam());
    for (const QImage& image : {DecodeImage(bytes), DecodeImage(bytes, nullptr, {40, 30}), DecodeImageUpright(bytes)}) {
        ASSERT_FALSE(image.isNull());
        const test::Quadrants q = test::SampleQuadrants(image);
        EXPECT_TRUE(test::Near(q.topLeft, test::kInkRed, 6)) << std::hex << q.topLeft;
        EXPECT_TRUE(test::Near(q.topRight, test::kInkGreen, 6)) << std::hex << q.topRight;
        EXPECT_TRUE(test::Near(q.bottomLeft, test::kInkBlue, 6)) << std::hex << q.bottomLeft;
        EXPECT_TRUE(test::Near(q.bottomRight, test::kInkGrey, 6)) << std::hex << q.bottomRight;
    }
    const QString path = filesDir() + QStringLiteral("/inks.jpg");
    ASSERT_TRUE(test::WriteBytes(path, bytes));
    const std::optional<LoadedPicture> loaded = LoadPicture(path, QStringLiteral("jpeg"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->picture->bytes(), bytes);
    EXPECT_EQ(loaded->picture->pixelSize(), QSize(160, 120));
}

INSTANTIATE_TEST_SUITE_P(Inks, CmykPictureTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AdobeInverted" : "Plain"; });

} // namespace
} // namespace vq
