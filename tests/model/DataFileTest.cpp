#include "model/DataFile.h"
#include "model/RecordCodec.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QBuffer>
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
        return ReadDataFile(buffer, into);
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

} // namespace
} // namespace vq
