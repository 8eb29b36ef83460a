#include "imaging/GifWriter.h"
#include "model/DataFile.h"
#include "model/DocumentFile.h"
#include "model/RecordCodec.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <limits>

namespace vq {
namespace {

class DataFileTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
    }

    QByteArray write(const Document& d)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        EXPECT_TRUE(WriteDataFile(buffer, d));
        return bytes;
    }

    bool read(const QByteArray& bytes, Document& into)
    {
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        Report refused;
        const bool ok = ReadDataFile(buffer, into, &refused);
        prompts.show(refused);
        return ok;
    }

    Document doc;
    test::ScriptedPrompter prompts;
};

TEST_F(DataFileTest, EmptyDocumentIs102Bytes)
{
    const QByteArray bytes = write(doc);
    EXPECT_EQ(bytes.size(), 102);
    EXPECT_TRUE(bytes.startsWith("VQD001    "));
    EXPECT_EQ(bytes.right(4), QByteArray(4, '\0'));
}

TEST_F(DataFileTest, OnlyPicturedNodesHaveBlocks)
{
    const QByteArray jpeg = test::makeJpeg(40, 30);
    ASSERT_TRUE(AppendNode(doc, nullptr, 40, 30, 100, 100));
    ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(jpeg), 40, 30, 200, 200));
    const QByteArray bytes = write(doc);
    ASSERT_EQ(bytes.size(), 10 + 88 + 4 + 2 * 2164 + 4 + jpeg.size());
    EXPECT_EQ(qFromBigEndian<quint32>(bytes.constData() + 98), 2u);
    EXPECT_EQ(qFromBigEndian<quint32>(bytes.constData() + 102 + 2 * 2164), quint32(jpeg.size()));
    EXPECT_EQ(bytes.right(jpeg.size()), jpeg);
}

TEST_F(DataFileTest, RoundTripKeepsEverything)
{
    const QByteArray a = test::makeJpeg(64, 48, Qt::red);
    const QByteArray back = test::makeJpeg(20, 20, Qt::blue);
    doc.state.backPicture = Picture::fromJpegBytes(back);
    doc.state.zoom = 0.5f;
    doc.state.gridMode = -2;
    doc.state.canvasWidth = 1200;
    ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(a), 64, 48, 100, 100));
    SetNodeSource(doc, 0, 64, 48, int(a.size()), QStringLiteral("file:////写真/a.jpg"));
    doc.nodes[0].frameColor = 0x0000FF;
    doc.nodes[0].frameStyle = 5;

    Document read_;
    ASSERT_TRUE(read(write(doc), read_));
    EXPECT_EQ(read_.state.nodeCount, 1);
    EXPECT_EQ(read_.state.zoom, 0.5f);
    EXPECT_EQ(read_.state.gridMode, -2);
    EXPECT_EQ(read_.state.canvasWidth, 1200);
    ASSERT_TRUE(read_.state.backPicture);
    EXPECT_EQ(read_.state.backPicture->bytes(), back);
    ASSERT_TRUE(read_.nodes[0].picture);
    EXPECT_EQ(read_.nodes[0].picture->bytes(), a);
    EXPECT_EQ(NodeSourceText(read_.nodes[0]), QStringLiteral("file:////写真/a.jpg"));
    EXPECT_EQ(read_.nodes[0].frameStyle, 5);
    EXPECT_EQ(encodeNodeRecord(read_.nodes[0]), encodeNodeRecord(doc.nodes[0]));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DataFileTest, VersionsOneAndTwoReadAlikeOthersAreRefused)
{
    QByteArray bytes = write(doc);
    bytes.replace(3, 3, "002");
    Document d;
    EXPECT_TRUE(read(bytes, d));
    bytes.replace(3, 3, "003");
    EXPECT_FALSE(read(bytes, d));
    ASSERT_EQ(prompts.messageIds(), QList<int>{30020});
    EXPECT_EQ(prompts.messages[0].prefix, QStringLiteral("ver 003\n"));
    bytes.replace(0, 3, "XYZ");
    EXPECT_FALSE(read(bytes, d));
    EXPECT_EQ(prompts.messageIds().last(), 30019);
}

TEST_F(DataFileTest, CountOverTheLimitIsRefused)
{
    QByteArray bytes = write(doc);
    qToBigEndian<quint32>(1001, bytes.data() + 98);
    Document d;
    EXPECT_FALSE(read(bytes, d));
    ASSERT_EQ(prompts.messageIds(), QList<int>{30043});
    EXPECT_EQ(prompts.messages[0].prefix, QStringLiteral("1001 > 1000\n"));
    EXPECT_EQ(d.state.nodeCount, 0);
}

TEST_F(DataFileTest, TruncatedFilesAreRefusedAtEveryLength)
{
    ASSERT_TRUE(AppendNode(doc, nullptr, 40, 30, 100, 100));
    const QByteArray bytes = write(doc);
    for (int len = 0; len < bytes.size(); len += 7) {
        Document d;
        EXPECT_FALSE(read(bytes.left(len), d)) << len;
    }
}

TEST_F(DataFileTest, MissingPictureBlocksLeaveNodesWithoutPictures)
{
    const QByteArray jpeg = test::makeJpeg(40, 30);
    ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(jpeg), 40, 30, 100, 100));
    ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(jpeg), 40, 30, 100, 100));
    QByteArray bytes = write(doc);
    // Drop the second block and claim a huge length for the first.
    bytes.chop(4 + jpeg.size());
    qToBigEndian<quint32>(0xFFFFFFF0u, bytes.data() + 102 + 2 * 2164);
    Document d;
    ASSERT_TRUE(read(bytes, d));
    EXPECT_EQ(d.state.nodeCount, 2);
    EXPECT_FALSE(d.nodes[0].picture);
    EXPECT_FALSE(d.nodes[1].picture);
}

TEST_F(DataFileTest, HostileValuesAreRepaired)
{
    ASSERT_TRUE(AppendNode(doc, nullptr, 40, 30, 100, 100));
    const float zooms[] = {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
    for (float z : zooms) {
        QByteArray bytes = write(doc);
        char* st = bytes.data() + 10;
        qToLittleEndian(z, st + 16);
        qToLittleEndian<qint32>(7, st + 0);           // nodeCount is ignored
        qToLittleEndian<qint32>(55, st + 4);          // mainIndex past the nodes
        qToLittleEndian<qint32>(20, st + 32);         // canvas too narrow
        qToLittleEndian<qint32>(99999, st + 36);      // canvas too tall
        qToLittleEndian<qint32>(0x7FFFFFFF, bytes.data() + 102 + 0); // centreX
        qToLittleEndian<qint32>(-9, bytes.data() + 102 + 8);         // halfWidth
        qToLittleEndian<qint32>(77, bytes.data() + 102 + 24);        // frameStyle
        Document d;
        ASSERT_TRUE(read(bytes, d));
        EXPECT_EQ(d.state.nodeCount, 1);
        EXPECT_EQ(d.state.mainIndex, -1);
        EXPECT_TRUE(std::isfinite(d.state.zoom));
        EXPECT_GE(d.state.zoom, 0.08f);
        EXPECT_LE(d.state.zoom, 4.0f);
        EXPECT_EQ(d.state.canvasWidth, 500);
        EXPECT_EQ(d.state.canvasHeight, 7500);
        EXPECT_LE(d.nodes[0].centerX, 1000000);
        EXPECT_EQ(d.nodes[0].halfWidth, 0);
        EXPECT_EQ(d.nodes[0].frameStyle, 0);
    }
}

// Documents hold blocks that are not JPEG, or not pictures at all: files once
// loaded as JPEG kept their bytes whatever they were. Each must come back
// from a save byte for byte, drawn when some decoder takes it.
struct BlockCase {
    const char* name;
    QByteArray bytes;
    bool drawable;
};

QImage redLeftBlueRight()
{
    QImage image(36, 24, QImage::Format_RGB32);
    image.fill(QColor(20, 30, 220));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width() / 2; ++x)
            image.setPixel(x, y, qRgb(220, 20, 30));
    return image;
}

QByteArray encoded(const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (qstrcmp(format, "gif") == 0)
        return WriteGif(redLeftBlueRight(), buffer) ? bytes : QByteArray();
    return QImageWriter(&buffer, format).write(redLeftBlueRight()) ? bytes : QByteArray();
}

// A JPEG with stray bytes before a marker: decoders skip them, the header
// reader of our own does not.
QByteArray jpegWithStrayBytes()
{
    QByteArray bytes = encoded("jpeg");
    bytes.insert(2, "\0\0\0");
    return bytes;
}

std::vector<BlockCase> blockCases()
{
    return {
        {"gif", encoded("gif"), true},
        {"bmp", encoded("bmp"), true},
        {"png", encoded("png"), true},
        {"tiff", encoded("tiff"), true},
        {"jpeg with stray bytes", jpegWithStrayBytes(), true},
        {"garbage", QByteArray("no decoder takes this for a picture"), false},
        {"png cut short", encoded("png").left(60), false},
        {"one byte", QByteArray(1, '\xFF'), false},
    };
}

class PictureBlockTest : public DataFileTest {
protected:
    // A data file whose background and two nodes hold `block`, with a JPEG
    // node between them, as an older writer made it: the records come from
    // our writer, the blocks are laid in by hand.
    QByteArray fileWithBlock(const QByteArray& block)
    {
        const QByteArray placeholder = test::makeJpeg(8, 8);
        Document d;
        d.ResetDocument();
        d.state.backPicture = Picture::fromJpegBytes(placeholder);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(AppendNode(d, Picture::fromJpegBytes(i == 1 ? middle : placeholder), 36, 24, 100, 100));
        const QByteArray written = write(d);
        const qsizetype countAt = 98 + 4 + placeholder.size();
        return written.left(98) + lengthPrefixed(block) + written.mid(countAt, 4 + 3 * kNodeRecordBytes)
            + lengthPrefixed(block) + lengthPrefixed(middle) + lengthPrefixed(block);
    }

    static QByteArray lengthPrefixed(const QByteArray& bytes)
    {
        char length[4];
        qToBigEndian<quint32>(quint32(bytes.size()), length);
        return QByteArray(length, 4) + bytes;
    }

    const QByteArray middle = test::makeJpeg(20, 10, Qt::green);
};

TEST_F(PictureBlockTest, EveryCompleteBlockSurvivesASaveByteForByte)
{
    for (const BlockCase& c : blockCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.isEmpty());
        const QByteArray original = fileWithBlock(c.bytes);

        Document opened;
        ASSERT_TRUE(read(original, opened));
        ASSERT_EQ(opened.state.nodeCount, 3);
        for (const PicturePtr& p : {opened.state.backPicture, opened.nodes[0].picture, opened.nodes[2].picture}) {
            ASSERT_TRUE(p);
            EXPECT_EQ(p->bytes(), c.bytes);
            EXPECT_EQ(p->undecodable(), !c.drawable);
            EXPECT_EQ(p->pixelSize(), c.drawable ? QSize(36, 24) : QSize());
        }
        ASSERT_TRUE(opened.nodes[1].picture);
        EXPECT_EQ(opened.nodes[1].picture->bytes(), middle);

        const QByteArray saved = write(opened);
        EXPECT_EQ(saved, original);
        Document reopened;
        ASSERT_TRUE(read(saved, reopened));
        ASSERT_TRUE(reopened.nodes[2].picture);
        EXPECT_EQ(reopened.nodes[2].picture->bytes(), c.bytes);
        EXPECT_TRUE(prompts.messages.isEmpty());
    }
}

TEST_F(PictureBlockTest, DecodableBlocksDrawTheirOwnPixels)
{
    for (const BlockCase& c : blockCases()) {
        SCOPED_TRACE(c.name);
        Document opened;
        ASSERT_TRUE(read(fileWithBlock(c.bytes), opened));
        const QImage image = opened.nodes[0].picture->image();
        if (!c.drawable) {
            EXPECT_TRUE(image.isNull());
            EXPECT_TRUE(opened.nodes[0].picture->undecodable());
            continue;
        }
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(36, 24));
        const QColor left = image.pixelColor(5, 12);
        const QColor right = image.pixelColor(30, 12);
        EXPECT_GT(left.red(), 180);
        EXPECT_LT(left.blue(), 70);
        EXPECT_GT(right.blue(), 180);
        EXPECT_LT(right.red(), 70);
    }
}

TEST_F(PictureBlockTest, EmptyOrCutShortBlocksLeaveNoPicture)
{
    const QByteArray png = encoded("png");
    const QByteArray file = fileWithBlock(png);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const QByteArray empty = fileWithBlock(QByteArray());
    const Case cases[] = {
        {"last block cut short", file.left(file.size() - 1)},
        {"last block's length past the end", file.left(file.size() - png.size())},
        {"empty blocks", empty},
    };
    for (const Case& c : cases) {
        Document opened;
        ASSERT_TRUE(read(c.bytes, opened)) << c.what;
        EXPECT_EQ(opened.state.nodeCount, 3) << c.what;
        EXPECT_FALSE(opened.nodes[2].picture) << c.what;
        EXPECT_TRUE(opened.nodes[1].picture) << c.what;
    }
}

TEST_F(PictureBlockTest, BlocksSurviveTheDocumentFileToo)
{
    const QString first = QDir(filesDir()).filePath(QStringLiteral("first.vqd"));
    const QString second = QDir(filesDir()).filePath(QStringLiteral("second.vqd"));
    const SaveOptions options{false, nullptr};
    for (const BlockCase& c : blockCases()) {
        SCOPED_TRACE(c.name);
        const QByteArray original = fileWithBlock(c.bytes);
        Document fromData;
        ASSERT_TRUE(read(original, fromData));
        ASSERT_TRUE(SaveDocumentFile(first, fromData, options, nullptr, directJobRunner(), test::scriptedSink()));
        Document opened;
        ASSERT_TRUE(OpenDocumentFile(first, opened, nullptr, directJobRunner(), test::scriptedSink()));
        ASSERT_TRUE(SaveDocumentFile(second, opened, options, nullptr, directJobRunner(), test::scriptedSink()));
        Document reopened;
        ASSERT_TRUE(OpenDocumentFile(second, reopened, nullptr, directJobRunner(), test::scriptedSink()));
        EXPECT_EQ(write(reopened), original);
        ASSERT_TRUE(reopened.state.backPicture);
        EXPECT_EQ(reopened.state.backPicture->bytes(), c.bytes);
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

} // namespace
} // namespace vq
