// Picture data in files: length prefixes, round trips, short and lying reads;
// and the colour shift used by the blur frame.
#include "imaging/ColorShift.h"
#include "imaging/PictureData.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>

namespace vq::test {
namespace {

class PictureDataTest : public IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        jpeg = Encode(QuadrantImage(40, 20), "jpeg");
        picture = Picture::fromJpegBytes(jpeg);
        ASSERT_TRUE(picture);
    }

    QByteArray jpeg;
    PicturePtr picture;
    ScriptedPrompter prompter;
};

// A device that hands its bytes out like a pipe: no size, no seeking, and an
// end after its bytes.
class PipeDevice : public QIODevice {
public:
    explicit PipeDevice(QByteArray bytes) : m_bytes(std::move(bytes)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_offset + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_bytes.size() - m_offset);
        if (n <= 0)
            return -1; // end of stream
        std::memcpy(data, m_bytes.constData() + m_offset, size_t(n));
        m_offset += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_offset = 0;
};

// A device that takes `room` bytes and then fails every write, like a full disk.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        const qint64 n = std::min(size, m_room);
        m_room -= n;
        return n > 0 ? n : -1;
    }

private:
    qint64 m_room;
};

TEST_F(PictureDataTest, BigEndianPutAndGet)
{
    struct Case {
        qint64 value;
        QByteArray bytes;
    };
    for (const Case& c : {Case{0x01020304, QByteArray("\x01\x02\x03\x04", 4)}, Case{0, QByteArray(4, '\0')},
                          Case{0xFFFFFFFFLL, QByteArray(4, '\xFF')}, Case{0x80000001LL, QByteArray("\x80\0\0\x01", 4)}}) {
        char buffer[4] = {};
        ASSERT_TRUE(PutBigEndian32(buffer, c.value, nullptr));
        EXPECT_EQ(QByteArray(buffer, 4), c.bytes);
        EXPECT_EQ(GetBigEndian32(buffer), quint32(c.value));
    }
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

TEST_F(PictureDataTest, ValuesBeyond32BitsAreRefusedWithMessage)
{
    for (const qint64 value : {0x100000000LL, -1LL, qint64(1) << 40}) {
        char buffer[4] = {'a', 'b', 'c', 'd'};
        Report refused;
        EXPECT_FALSE(PutBigEndian32(buffer, value, &refused));
        prompter.show(refused);
        EXPECT_EQ(QByteArray(buffer, 4), QByteArray("abcd")); // untouched
    }
    EXPECT_EQ(prompter.messageIds(), (QList<int>{30013, 30013, 30013}));
    EXPECT_EQ(prompter.messages.first().style, kStyleError);
}

// A count too large for the format is the process's trouble, not a window's:
// its report is shown over none, whoever asked for the write.
TEST_F(PictureDataTest, ATooLargeValueIsReportedOverNoWindow)
{
    char buffer[4] = {};
    Report refused;
    ASSERT_FALSE(PutBigEndian32(buffer, qint64(1) << 33, &refused));
    EXPECT_EQ(refused.id, kMsgTooLarge);
    EXPECT_TRUE(refused.ownerless);
    QObject window;
    const std::optional<MessageRequest> request = messageRequest(refused, &window);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->owner, nullptr);
    EXPECT_TRUE(prompter.messages.isEmpty()) << "the core shows nothing itself";
}

TEST_F(PictureDataTest, WriteWithAndWithoutLength)
{
    QByteArray out;
    QBuffer device(&out);
    device.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WritePictureData(device, true, *picture, nullptr));
    ASSERT_TRUE(WritePictureData(device, false, *picture, nullptr));
    ASSERT_EQ(out.size(), 4 + 2 * jpeg.size());
    EXPECT_EQ(GetBigEndian32(out.constData()), quint32(jpeg.size()));
    EXPECT_EQ(out.mid(4, jpeg.size()), jpeg);
    EXPECT_EQ(out.mid(4 + jpeg.size()), jpeg);
    EXPECT_EQ(PictureDataSize(*picture), jpeg.size());
}

TEST_F(PictureDataTest, WriteToAFullDeviceFails)
{
    for (const qint64 room : {0LL, 2LL, 4LL, qint64(jpeg.size())}) {
        FullDevice withLength(room);
        EXPECT_FALSE(WritePictureData(withLength, true, *picture, nullptr)) << "room " << room;
    }
    FullDevice bytesOnly(jpeg.size() - 1);
    EXPECT_FALSE(WritePictureData(bytesOnly, false, *picture, nullptr));
}

TEST_F(PictureDataTest, ReadBackFromFileAndPipe)
{
    const QString path = QDir(filesDir()).filePath(QStringLiteral("data.bin"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(WritePictureData(file, true, *picture, nullptr));
        ASSERT_TRUE(WritePictureData(file, true, *picture, nullptr));
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    PipeDevice pipe(ReadBytes(path));
    for (QIODevice* device : {static_cast<QIODevice*>(&file), static_cast<QIODevice*>(&pipe)}) {
        for (int i = 0; i < 2; ++i) {
            const QByteArray length = device->read(4);
            ASSERT_EQ(length.size(), 4);
            const PicturePtr read = ReadPictureData(*device, GetBigEndian32(length.constData()));
            ASSERT_TRUE(read) << "block " << i;
            EXPECT_EQ(read->bytes(), jpeg);
            EXPECT_EQ(read->pixelSize(), QSize(40, 20));
        }
    }
}

TEST_F(PictureDataTest, ShortOrLyingReadsYieldNoPicture)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        qint64 length;
    };
    const Case cases[] = {
        {"short by one", jpeg, jpeg.size() + 1},
        {"length of 4 GiB", jpeg, 0xFFFFFFFFLL},
        {"length beyond 32 bits", jpeg, 0x100000000LL},
        {"zero length", jpeg, 0},
        {"negative length", jpeg, -5},
    };
    for (const Case& c : cases) {
        QBuffer file;
        file.setData(c.bytes);
        file.open(QIODevice::ReadOnly);
        EXPECT_FALSE(ReadPictureData(file, c.length)) << c.what << " (file)";
        PipeDevice pipe(c.bytes);
        EXPECT_FALSE(ReadPictureData(pipe, c.length)) << c.what << " (pipe)";
    }
}

// Blocks that are not JPEG, or no picture at all, are kept whole: what was
// read must be written back as it was.
TEST_F(PictureDataTest, CompleteBlocksAreKeptWhateverTheyHold)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        QSize size; // invalid: no decoder takes the bytes
    };
    const Case cases[] = {
        {"gif", Encode(QuadrantImage(40, 20), "gif"), {40, 20}},
        {"bmp", Encode(QuadrantImage(40, 20), "bmp"), {40, 20}},
        {"png", Encode(QuadrantImage(40, 20), "png"), {40, 20}},
        {"tiff", Encode(QuadrantImage(40, 20), "tiff"), {40, 20}},
        {"not a picture", QByteArray(500, 'z'), {}},
        {"JPEG without frame", jpeg.left(20), {}},
        {"BMP cut short", Encode(QuadrantImage(40, 20), "bmp").left(300), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.isEmpty());
        QBuffer file;
        file.setData(c.bytes);
        file.open(QIODevice::ReadOnly);
        PipeDevice pipe(c.bytes);
        for (QIODevice* device : {static_cast<QIODevice*>(&file), static_cast<QIODevice*>(&pipe)}) {
            const PicturePtr read = ReadPictureData(*device, c.bytes.size());
            ASSERT_TRUE(read);
            EXPECT_EQ(read->bytes(), c.bytes);
            EXPECT_EQ(read->pixelSize(), c.size);
            EXPECT_EQ(read->undecodable(), !c.size.isValid());

            QByteArray out;
            QBuffer written(&out);
            written.open(QIODevice::WriteOnly);
            ASSERT_TRUE(WritePictureData(written, false, *read, nullptr));
            EXPECT_EQ(out, c.bytes);
        }
    }
}

TEST_F(PictureDataTest, KeptBlocksDrawThroughTheDecoderTheirContentNeeds)
{
    for (const char* format : {"gif", "bmp", "png", "tiff"}) {
        SCOPED_TRACE(format);
        const PicturePtr kept = Picture::fromBytes(Encode(QuadrantImage(64, 32), format));
        ASSERT_TRUE(kept);
        const QImage full = kept->image();
        ASSERT_FALSE(full.isNull());
        EXPECT_FALSE(kept->undecodable());
        EXPECT_EQ(full.size(), QSize(64, 32));
        const Quadrants q = SampleQuadrants(full);
        EXPECT_TRUE(Near(q.topLeft, kTopLeft, 40));
        EXPECT_TRUE(Near(q.topRight, kTopRight, 40));
        EXPECT_TRUE(Near(q.bottomLeft, kBottomLeft, 40));
        EXPECT_TRUE(Near(q.bottomRight, kBottomRight, 40));
        // A reduced decode for a small drawing still covers what it is asked for.
        const QImage small = kept->image(QSize(16, 8));
        ASSERT_FALSE(small.isNull());
        EXPECT_GE(small.width(), 16);
        EXPECT_GE(small.height(), 8);
    }
}

TEST_F(PictureDataTest, TransparentBlocksDrawOverTheirTopLeftColour)
{
    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 0, 0));
    for (int y = 0; y < 20; ++y)
        image.setPixel(0, y, qRgb(10, 200, 10)); // an opaque green left edge
    const PicturePtr kept = Picture::fromBytes(Encode(image, "png"));
    ASSERT_TRUE(kept);
    const QImage drawn = kept->image();
    ASSERT_FALSE(drawn.isNull());
    EXPECT_FALSE(drawn.hasAlphaChannel());
    EXPECT_TRUE(Near(drawn.pixel(10, 10), qRgb(10, 200, 10)));
}

TEST_F(PictureDataTest, NoBytesMakeNoPicture)
{
    EXPECT_FALSE(Picture::fromBytes(QByteArray()));
}

TEST(ShiftColorTest, SubtractsAndClampsEachChannel)
{
    struct Case {
        ColorRef color;
        int delta;
        ColorRef expected;
    };
    for (const Case& c : {
             Case{0x204060, 0x30, 0x001030},   // red and green clamp at 0
             Case{0x204060, -0x30, 0x507090},  // negative delta lightens
             Case{0xF0E0FF, -0x20, 0xFFFFFF},  // clamps at 255
             Case{0x123456, 0, 0x123456},
             Case{0x000000, 10, 0x808080},     // black cannot darken: mid grey
             Case{0xFFFFFF, -10, 0x808080},    // white cannot lighten: mid grey
             Case{0x000000, -10, 0x0A0A0A},
             Case{0xFFFFFF, 10, 0xF5F5F5},
             Case{0x000000, 0, 0x000000},
             Case{0x0000FF, 0x7FFFFFFF, 0x000000}, // no overflow at the extremes
             Case{0x010101, -0x7FFFFFFF - 1, 0xFFFFFF},
         }) {
        EXPECT_EQ(ShiftColor(c.color, c.delta), c.expected)
            << std::hex << "color " << c.color << " delta " << c.delta;
    }
}

} // namespace
} // namespace vq::test
