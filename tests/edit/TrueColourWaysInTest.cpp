// Photographs in a colour space of their own, four-colour JPEGs and the
// formats converted as they come in reach the canvas in their true colours
// by every way a picture comes in.
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "edit/AddImages.h"
#include "edit/CopyPaste.h"
#include "edit/UrlDrop.h"
#include "imaging/Clipboard.h"
#include "model/RangeModeState.h"
#include "render/CanvasRender.h"
#include "tests/edit/ImagesTestSupport.h"
#include "tests/imaging/ColourFixtures.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

using test::ImagesTest;

// What the canvas shows of the main node, at zoom 1: the node's rectangle
// cut from the rendered canvas.
QImage shownOnCanvas(const Document& doc)
{
    const NodeRecord& node = doc.nodes[doc.state.mainIndex];
    const QImage canvas = RenderCanvas(doc, SysSettings{}, RangeMode{}, 1.0f);
    return canvas.copy(node.centerX - node.halfWidth, node.centerY - node.halfHeight, 2 * node.halfWidth,
                       2 * node.halfHeight);
}

struct PictureCase {
    const char* name;
    std::function<QByteArray()> bytes;
    bool keptAsItIs; // JPEG data, kept byte for byte
    QRgb expected[4];
};

const PictureCase kPictures[] = {
    {"photo.jpg", [] { return test::ProfiledJpeg({64, 48}, test::DisplayP3Profile()); }, true,
     {test::kVividTopLeft, test::kVividTopRight, test::kVividBottomLeft, test::kVividBottomRight}},
    {"swapped.jpg", [] { return test::ProfiledJpeg({64, 48}, test::SwappedRedGreenProfile(true)); }, true,
     {test::kVividTopLeft, test::kVividTopRight, test::kVividBottomLeft, test::kVividBottomRight}},
    {"layout.jpg", [] { return test::CmykJpeg({64, 48}, true); }, true,
     {test::kInkRed, test::kInkGreen, test::kInkBlue, test::kInkGrey}},
    {"plain-inks.jpg", [] { return test::CmykJpeg({64, 48}, false); }, true,
     {test::kInkRed, test::kInkGreen, test::kInkBlue, test::kInkGrey}},
    {"phone.heic", [] { return test::Fixture("p3.heic"); }, false,
     {test::kVividTopLeft, test::kVividTopRight, test::kVividBottomLeft, test::kVividBottomRight}},
    {"web.avif", [] { return test::Fixture("plain.avif"); }, false,
     {test::kVividTopLeft, test::kVividTopRight, test::kVividBottomLeft, test::kVividBottomRight}},
    {"web.webp", [] { return test::Fixture("p3.webp"); }, false,
     {test::kVividTopLeft, test::kVividTopRight, test::kVividBottomLeft, test::kVividBottomRight}},
};

// Where a test sends a picture file: by the file dialog or a file drop
// (both take the file's type from its name), by a browser's download, or as
// clipboard data of the file's MIME type.
enum class Way { AddedFile, Downloaded, Pasted };

class TrueColourTest : public ImagesTest, public ::testing::WithParamInterface<std::tuple<PictureCase, Way>> {};

QString mimeTypeOf(const QString& name)
{
    if (name.endsWith(QLatin1String(".heic")))
        return QStringLiteral("image/heic");
    if (name.endsWith(QLatin1String(".avif")))
        return QStringLiteral("image/avif");
    if (name.endsWith(QLatin1String(".webp")))
        return QStringLiteral("image/webp");
    return QStringLiteral("image/jpeg");
}

TEST_P(TrueColourTest, ShowsOnTheCanvasInTrueColour)
{
    const auto& [picture, way] = GetParam();
    const QByteArray bytes = picture.bytes();
    const QString path = filesDir() + QLatin1Char('/') + QLatin1String(picture.name);
    ASSERT_TRUE(test::WriteBytes(path, bytes));

    switch (way) {
    case Way::AddedFile: {
        const QList<ImageFile> accepted = AcceptedImageFiles({path});
        ASSERT_EQ(accepted.size(), 1) << picture.name;
        ASSERT_EQ(AddImageFiles(*session, {accepted[0].path}, at(), nullptr, nullptr, test::scriptedSink()), 1);
        EXPECT_EQ(NodeSourceText(doc.nodes[doc.state.mainIndex]), FileSource(path));
        break;
    }
    case Way::Downloaded: {
        const UrlImage image = ImageTypeFromUrl(QStringLiteral("https://example.invalid/") + picture.name);
        ASSERT_FALSE(image.type.isEmpty()) << picture.name;
        // The download lands as "tmp." + type, loaded by that type.
        const QString landed = filesDir() + QStringLiteral("/tmp.") + image.type;
        ASSERT_TRUE(test::WriteBytes(landed, bytes));
        ASSERT_TRUE(CreateNodeFromFile(doc, landed, image.type, image.url, true, at(), nullptr));
        break;
    }
    case Way::Pasted: {
        QMimeData data;
        data.setData(mimeTypeOf(path), bytes);
        ASSERT_TRUE(MimeOffersImage(data)) << picture.name;
        ASSERT_TRUE(PasteImage(*session, UprightImageFromMime(data), at(), nullptr)) << picture.name;
        break;
    }
    }
    ASSERT_GE(doc.state.mainIndex, 0);
    const NodeRecord& node = doc.nodes[doc.state.mainIndex];
    EXPECT_EQ(QSize(2 * node.halfWidth, 2 * node.halfHeight), QSize(64, 48)) << picture.name;
    if (way != Way::Pasted && picture.keptAsItIs) {
        EXPECT_EQ(node.picture->bytes(), bytes) << picture.name;
    }

    const test::Quadrants q = test::SampleQuadrants(shownOnCanvas(doc));
    const QRgb seen[] = {q.topLeft, q.topRight, q.bottomLeft, q.bottomRight};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(test::Near(seen[i], picture.expected[i], 16))
            << picture.name << " quadrant " << i << ": " << std::hex << seen[i] << " not " << picture.expected[i];
}

INSTANTIATE_TEST_SUITE_P(
    Ways, TrueColourTest,
    ::testing::Combine(::testing::ValuesIn(kPictures), ::testing::Values(Way::AddedFile, Way::Downloaded, Way::Pasted)),
    [](const auto& info) {
        std::string name = std::get<0>(info.param).name;
        std::replace_if(name.begin(), name.end(), [](char c) { return c == '.' || c == '-'; }, '_');
        const Way way = std::get<1>(info.param);
        return name + (way == Way::AddedFile ? "_added" : way == Way::Downloaded ? "_downloaded" : "_pasted");
    });

TEST(AddableTypesTest, NamesAndAddressesOfTheNewFormatsAreTaken)
{
    const struct {
        const char* name;
        const char* type;
    } cases[] = {{"a.HEIC", "heif"}, {"a.heif", "heif"}, {"a.avif", "avif"}, {"a.WebP", "webp"},
                 {"a.jpg", "jpeg"},  {"a.tif", "tiff"},  {"a.jxl", ""},      {"heic", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(AddableImageTypeFromPath(QString::fromLatin1(c.name)), QLatin1String(c.type)) << c.name;
        EXPECT_EQ(ImageTypeFromUrl(QStringLiteral("https://example.invalid/") + QLatin1String(c.name)).type,
                  QLatin1String(c.type))
            << c.name;
    }
    // Written files keep to the types a picture can be saved as.
    EXPECT_TRUE(ImageTypeFromPath(QStringLiteral("a.heic")).isEmpty());
    // A search result's link to an embedded picture.
    EXPECT_EQ(ImageTypeFromUrl(QStringLiteral("https://search.invalid/?u=https://pics.invalid/x.webp&s=1")).type,
              QStringLiteral("webp"));
}

} // namespace
} // namespace vq
