#include "model/RecordCodec.h"

#include <gtest/gtest.h>

#include <QtEndian>

namespace vq {
namespace {

void putLe(QByteArray& b, int offset, qint32 v)
{
    qToLittleEndian(v, b.data() + offset);
}

TEST(RecordCodec, DocStateMatchesHandMadeBytes)
{
    DocState s;
    s.nodeCount = 3;
    s.mainIndex = -1;
    s.scrollX = 7;
    s.scrollY = 8;
    s.zoom = 0.5f;
    s.consoleX = 79;
    s.consoleY = 80;
    s.consoleAlways = 1;
    s.canvasWidth = 1000;
    s.canvasHeight = 700;
    s.backColor = 0xFFFFFF;
    s.canvasFrameColor = -1;
    s.canvasFrameWidth = 2;
    s.canvasFrameStyle = 5;
    s.gridMode = -3;
    s.gridOnTop = 1;
    s.modeFrameColor = 0x0000FF;
    s.modeFrameWidth = 4;

    QByteArray want(88, '\0');
    const qint32 values[] = {3, -1, 7, 8, 0x3F000000, 79, 80, 1, 1000, 700, 0xFFFFFF, -1, 2, 5, 0, -3, 1, 0xFF, 4};
    for (int i = 0; i < 19; ++i)
        putLe(want, i * 4, values[i]);
    EXPECT_EQ(encodeDocState(s), want);

    DocState back;
    bool hasBack = true;
    decodeDocState(want.constData(), back, hasBack);
    EXPECT_FALSE(hasBack);
    EXPECT_EQ(encodeDocState(back), want);
}

TEST(RecordCodec, BackPictureFlagIsOneOrZero)
{
    QByteArray bytes(88, '\0');
    putLe(bytes, 56, 0x12345678); // any non-zero reference counts as present
    DocState s;
    bool hasBack = false;
    decodeDocState(bytes.constData(), s, hasBack);
    EXPECT_TRUE(hasBack);
}

TEST(RecordCodec, NodeRecordMatchesHandMadeBytes)
{
    NodeRecord n;
    n.centerX = 300;
    n.centerY = -20;
    n.halfWidth = 125;
    n.halfHeight = 62;
    n.frameColor = 0x7B5A48;
    n.frameWidth = 20;
    n.frameStyle = 3;
    n.imageWidth = 2000;
    n.imageHeight = 1000;
    n.dataSize = 123456;
    n.source = "file:///a.jpg";

    QByteArray want(2164, '\0');
    const qint32 values[] = {300, -20, 125, 62, 0x7B5A48, 20, 3, 0, 2000, 1000, 123456};
    for (int i = 0; i < 11; ++i)
        putLe(want, i * 4, values[i]);
    want.replace(44, 13, "file:///a.jpg");
    EXPECT_EQ(encodeNodeRecord(n), want);

    NodeRecord back;
    bool hasPicture = true;
    decodeNodeRecord(want.constData(), back, hasPicture);
    EXPECT_FALSE(hasPicture);
    EXPECT_EQ(back.source, QByteArray("file:///a.jpg"));
    EXPECT_EQ(encodeNodeRecord(back), want);
}

TEST(RecordCodec, SourceWithoutTerminatorIsCutInsideTheField)
{
    QByteArray bytes(2164, 'x');
    NodeRecord n;
    bool hasPicture = false;
    decodeNodeRecord(bytes.constData(), n, hasPicture);
    EXPECT_EQ(n.source.size(), kSourceBytes - 1);
    // Writing it back restores a terminator and zero reserved bytes.
    const QByteArray out = encodeNodeRecord(n);
    EXPECT_EQ(out.at(44 + kSourceBytes - 1), '\0');
    EXPECT_EQ(out.mid(2129), QByteArray(35, '\0'));
}

} // namespace
} // namespace vq
