// Writing one node's picture to a file at the picture's own size.
#include "edit/SaveNodeImage.h"

#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "model/Document.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

#include <gtest/gtest.h>

namespace vq {
namespace {

QByteArray pngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

class SaveNodeImageTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
        ASSERT_TRUE(QDir().mkpath(filesDir()));
    }
    // A node shown at 250 x 125 whatever its picture's size.
    int addNode(PicturePtr picture)
    {
        EXPECT_TRUE(AppendNode(doc, std::move(picture), 0, 0, 300, 300));
        const int i = doc.state.nodeCount - 1;
        doc.nodes[i].halfWidth = 125;
        doc.nodes[i].halfHeight = 62;
        return i;
    }
    QString file(const QString& name) const { return filesDir() + QLatin1Char('/') + name; }

    Document doc;
};

TEST_F(SaveNodeImageTest, AJpegPictureSavedAsJpegIsWrittenByteForByte)
{
    const QByteArray jpeg = EncodeJpeg(test::gradientImage(1000, 500, 90), 85);
    const int node = addNode(Picture::fromJpegBytes(jpeg));
    for (const char* name : {"a.jpeg", "b.JPG"}) {
        ASSERT_EQ(SaveNodeImage(doc, node, file(QLatin1String(name)), nullptr), NodeImageSave::Saved) << name;
        EXPECT_EQ(test::readFile(file(QLatin1String(name))), jpeg) << name << ": no second compression";
    }
}

struct TypeCase {
    const char* name;
    const char* format;
};

class SaveNodeImageTypeTest : public SaveNodeImageTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(SaveNodeImageTypeTest, WritesThePictureAtItsOwnSizeInTheNamedType)
{
    const TypeCase& c = GetParam();
    const int node = addNode(Picture::fromJpegBytes(EncodeJpeg(test::gradientImage(1000, 500, 90), 95)));
    const QString path = file(QLatin1String(c.name));
    ASSERT_EQ(SaveNodeImage(doc, node, path, nullptr), NodeImageSave::Saved);
    QByteArray format;
    const QImage saved = DecodeImage(test::readFile(path), &format);
    EXPECT_EQ(format, QByteArray(c.format));
    EXPECT_EQ(saved.size(), QSize(1000, 500)) << "the picture's size, not the node's 250 x 125";
    const QRgb p = saved.pixel(700, 400);
    EXPECT_NEAR(qRed(p), 700 * 255 / 1000, 12);
    EXPECT_NEAR(qGreen(p), 400 * 255 / 500, 12);
}

INSTANTIATE_TEST_SUITE_P(Types, SaveNodeImageTypeTest,
                         ::testing::Values(TypeCase{"p.png", "png"}, TypeCase{"p.bmp", "bmp"}, TypeCase{"p.gif", "gif"},
                                           TypeCase{"p.tif", "tiff"}, TypeCase{"p.TIFF", "tiff"}));

TEST_F(SaveNodeImageTest, APictureHeldInAnotherFormatIsEncodedAsJpeg)
{
    const QImage image = test::gradientImage(64, 32, 90);
    const int node = addNode(Picture::fromBytes(pngBytes(image)));
    ASSERT_EQ(SaveNodeImage(doc, node, file(QStringLiteral("x.jpeg")), nullptr), NodeImageSave::Saved);
    QByteArray format;
    const QImage saved = DecodeImage(test::readFile(file(QStringLiteral("x.jpeg"))), &format);
    EXPECT_EQ(format, QByteArray("jpeg"));
    EXPECT_EQ(saved.size(), QSize(64, 32));
}

TEST_F(SaveNodeImageTest, NothingIsWrittenThatCannotBe)
{
    const int node = addNode(Picture::fromJpegBytes(EncodeJpeg(test::gradientImage(40, 20, 90), 90)));
    const int empty = addNode(nullptr);
    EXPECT_EQ(SaveNodeImage(doc, node, file(QStringLiteral("notes.txt")), nullptr), NodeImageSave::UnknownType);
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("notes.txt"))));
    EXPECT_EQ(SaveNodeImage(doc, empty, file(QStringLiteral("none.png")), nullptr), NodeImageSave::NoPicture);
    EXPECT_EQ(SaveNodeImage(doc, 99, file(QStringLiteral("none.png")), nullptr), NodeImageSave::NoPicture);
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("none.png"))));
    EXPECT_EQ(SaveNodeImage(doc, node, file(QStringLiteral("missing/folder.jpeg")), nullptr), NodeImageSave::WriteFailed);
    EXPECT_EQ(SaveNodeImage(doc, node, file(QStringLiteral("missing/folder.png")), nullptr), NodeImageSave::WriteFailed);
}

TEST_F(SaveNodeImageTest, AFailedWriteLeavesTheEarlierFileAsItWas)
{
    const int node = addNode(Picture::fromJpegBytes(EncodeJpeg(test::gradientImage(40, 20, 90), 90)));
    const QString path = file(QStringLiteral("kept.jpeg"));
    ASSERT_TRUE(test::writeFile(path, "earlier"));
    QFile(filesDir()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    (void)SaveNodeImage(doc, node, path, nullptr);
    QFile(filesDir()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QByteArray now = test::readFile(path);
    EXPECT_TRUE(now == QByteArray("earlier") || now == doc.nodes[node].picture->bytes())
        << "either untouched or whole, never cut short";
}

struct ExtensionCase {
    const char* typed;
    const char* saved;
};

class DefaultExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(DefaultExtensionTest, OnlyANameWithoutExtensionBecomesJpeg)
{
    EXPECT_EQ(WithDefaultImageExtension(QString::fromUtf8(GetParam().typed)), QString::fromUtf8(GetParam().saved));
}

INSTANTIATE_TEST_SUITE_P(Names, DefaultExtensionTest,
                         ::testing::Values(ExtensionCase{"/tmp/無題", "/tmp/無題.jpeg"},
                                           ExtensionCase{"/tmp/photo.png", "/tmp/photo.png"},
                                           ExtensionCase{"/tmp/notes.txt", "/tmp/notes.txt"},
                                           ExtensionCase{"/tmp/a.b/plain", "/tmp/a.b/plain.jpeg"},
                                           ExtensionCase{"", ""}));

TEST(ImageFileFilter, OffersJpegSecond)
{
    const QStringList filters = ImageFileFilter().split(QStringLiteral(";;"));
    ASSERT_GE(filters.size(), 2);
    EXPECT_EQ(filters[1], JpegFileFilter());
}

} // namespace
} // namespace vq
