#include "model/cabinet/MszipBlock.h"

#include "tests/cabinet/CabinetFixture.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>

namespace vq::test {
namespace {

using cab::Checksum;
using cab::kBlockSize;
using cab::kMaxEncodedBlock;
using cab::MszipEncoder;
using cab::WorthDeflating;

const std::uint8_t* Bytes(const QByteArray& b)
{
    return reinterpret_cast<const std::uint8_t*>(b.constData());
}

// The checksum exactly as the cabinet format documents it, byte by byte.
std::uint32_t ReferenceChecksum(const std::uint8_t* p, std::size_t n, std::uint32_t seed)
{
    std::uint32_t csum = seed;
    for (std::size_t words = n / 4; words > 0; --words, p += 4)
        csum ^= std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    std::uint32_t ul = 0;
    switch (n % 4) {
    case 3: ul |= std::uint32_t(*p++) << 16; [[fallthrough]];
    case 2: ul |= std::uint32_t(*p++) << 8; [[fallthrough]];
    case 1: ul |= *p++; break;
    default: break;
    }
    return csum ^ ul;
}

TEST(MszipChecksum, MatchesTheDocumentedAlgorithmForEveryTailLength)
{
    const QByteArray data = RandomBytes(64, 7);
    for (std::size_t n = 0; n <= 40; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Checksum(Bytes(data), n, 0x12345678u), ReferenceChecksum(Bytes(data), n, 0x12345678u));
    }
    EXPECT_EQ(Checksum(Bytes(data), 0, 0), 0u);
}

QByteArray Inflate(const std::uint8_t* data, std::size_t size, std::size_t expected, bool* ended)
{
    z_stream zs{};
    EXPECT_EQ(inflateInit2(&zs, -MAX_WBITS), Z_OK);
    QByteArray out(qsizetype(expected) + 16, '\0');
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = uInt(size);
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    *ended = inflate(&zs, Z_FINISH) == Z_STREAM_END && zs.avail_in == 0;
    out.truncate(qsizetype(zs.total_out));
    inflateEnd(&zs);
    return out;
}

struct BlockCase {
    const char* name;
    QByteArray data;
    bool compresses;
};

void PrintTo(const BlockCase& c, std::ostream* os)
{
    *os << c.name;
}

class MszipBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(MszipBlock, EncodesAFinishedDeflateStreamThatRestoresTheData)
{
    const BlockCase& c = GetParam();
    MszipEncoder encoder;
    ASSERT_TRUE(encoder.isValid());
    std::vector<std::uint8_t> out(kMaxEncodedBlock);
    const std::size_t n = encoder.encode(Bytes(c.data), std::size_t(c.data.size()), out.data());

    ASSERT_GE(n, 2u);
    ASSERT_LE(n, kMaxEncodedBlock);
    EXPECT_EQ(out[0], 'C');
    EXPECT_EQ(out[1], 'K');
    bool ended = false;
    EXPECT_EQ(Inflate(out.data() + 2, n - 2, std::size_t(c.data.size()), &ended), c.data);
    EXPECT_TRUE(ended) << "each block must close its own deflate stream";
    if (c.compresses)
        EXPECT_LT(n, std::size_t(c.data.size()) / 2);
    else
        EXPECT_EQ(n, std::size_t(c.data.size()) + 7) << "incompressible data goes in one stored block";
}

INSTANTIATE_TEST_SUITE_P(Blocks, MszipBlock,
    ::testing::Values(BlockCase{"RandomFull", RandomBytes(qsizetype(kBlockSize), 3), false},
                      BlockCase{"RandomShort", RandomBytes(1000, 4), false},
                      BlockCase{"TextFull", TextBytes(qsizetype(kBlockSize)), true},
                      BlockCase{"Zeros", QByteArray(qsizetype(kBlockSize), '\0'), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MszipWorthDeflating, TellsPhotographsFromRecords)
{
    // A photograph-like picture: a gradient with fine detail, saved as JPEG.
    QImage image(640, 480, QImage::Format_RGB32);
    std::mt19937 gen(5);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x + int(gen() % 40)) % 256, (y + int(gen() % 40)) % 256, int(gen() % 256)));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    ASSERT_GT(jpeg.size(), qsizetype(4 * kBlockSize));

    // The scan data after the JPEG headers is what fills a document.
    for (qsizetype at = qsizetype(kBlockSize); at + qsizetype(kBlockSize) <= jpeg.size(); at += qsizetype(kBlockSize))
        EXPECT_FALSE(WorthDeflating(Bytes(jpeg) + at, kBlockSize)) << "block at " << at;

    EXPECT_TRUE(WorthDeflating(Bytes(TextBytes(qsizetype(kBlockSize))), kBlockSize));
    QByteArray records(qsizetype(kBlockSize), '\0');
    for (qsizetype i = 0; i < records.size(); i += 2164)
        std::memcpy(records.data() + i, "\x01\0\0\0\xff\xff\xff\xff", std::min<qsizetype>(8, records.size() - i));
    EXPECT_TRUE(WorthDeflating(Bytes(records), kBlockSize));
}

} // namespace
} // namespace vq::test
