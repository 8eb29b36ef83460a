// Re-saving a JPEG turned at its own settings, where the compressed domain
// cannot turn it exactly: every orientation, every common sampling, the
// markers kept, and damaged data refused.
#include "imaging/ImageDecode.h"
#include "imaging/JpegReencode.h"
#include "imaging/JpegTransform.h"
#include "imaging/Rotate.h"
#include "tests/imaging/ImagingTestSupport.h"

#include <QImage>

#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <tuple>

namespace vq {
namespace {

// A photograph's kind of content: smooth shading with some detail, and a
// different colour in each corner so that a wrong turn cannot pass.
QImage photoLike(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(40 + 180 * x / w, 30 + 190 * y / h,
                                      int(120 + 60 * std::sin(x / 5.0) * std::cos(y / 7.0))));
    return image;
}

enum class Sampling { S420, S422, Gray };

QByteArray encode(const QImage& image, Sampling sampling)
{
    const int tjSampling = sampling == Sampling::S420 ? TJSAMP_420 : sampling == Sampling::S422 ? TJSAMP_422 : TJSAMP_GRAY;
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(tjCompress2(handle, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(), TJPF_RGB, &out,
                          &size, tjSampling, 88, 0),
              0);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 0.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            sum += std::pow(qRed(p) - qRed(q), 2) + std::pow(qGreen(p) - qGreen(q), 2) + std::pow(qBlue(p) - qBlue(q), 2);
        }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

struct OpCase {
    const char* name;
    JpegPlaneOp op;
    ExactTurn first;             // the exact turn, as pixel turns
    std::optional<ExactTurn> then;
};

const OpCase kOps[] = {
    {"MirrorLeftRight", TJXOP_HFLIP, ExactTurn::MirrorLeftRight, std::nullopt},
    {"MirrorTopBottom", TJXOP_VFLIP, ExactTurn::MirrorTopBottom, std::nullopt},
    {"Half", TJXOP_ROT180, ExactTurn::Half, std::nullopt},
    {"Right", TJXOP_ROT90, ExactTurn::Right90, std::nullopt},
    {"Left", TJXOP_ROT270, ExactTurn::Left90, std::nullopt},
    {"Transpose", TJXOP_TRANSPOSE, ExactTurn::Right90, ExactTurn::MirrorLeftRight},
    {"Transverse", TJXOP_TRANSVERSE, ExactTurn::Left90, ExactTurn::MirrorLeftRight},
};

struct SamplingCase {
    const char* name;
    Sampling sampling;
};

class ReencodeTest : public ::testing::TestWithParam<std::tuple<OpCase, SamplingCase>> {};

// 70 x 50 leaves partial units on both edges, so no turn here is perfect.
TEST_P(ReencodeTest, LooksLikeTheExactTurnAtTheSameSamplingAndSize)
{
    const auto& [op, sampling] = GetParam();
    const QByteArray original = encode(photoLike(70, 50), sampling.sampling);
    const QImage decoded = DecodeImage(original);
    ASSERT_FALSE(decoded.isNull());
    QImage exact = TurnImage(decoded, op.first);
    if (op.then)
        exact = TurnImage(exact, *op.then);

    const QByteArray turned = ReencodeJpegTransformed(original, op.op);
    ASSERT_FALSE(turned.isEmpty());
    const QImage result = DecodeImage(turned);
    ASSERT_EQ(result.size(), exact.size());
    EXPECT_GE(psnr(result, exact), 36.0);
    EXPECT_LE(turned.size(), original.size() * 13 / 10);

    // The sampling is the original's, turned with the picture.
    const QSize mcu = ReadJpegBlockLayout(original)->mcu;
    const bool quarter = exact.size() != decoded.size();
    EXPECT_EQ(ReadJpegBlockLayout(turned)->mcu, quarter ? mcu.transposed() : mcu);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReencodeTest,
    ::testing::Combine(::testing::ValuesIn(kOps),
                       ::testing::Values(SamplingCase{"S420", Sampling::S420}, SamplingCase{"S422", Sampling::S422},
                                         SamplingCase{"Gray", Sampling::Gray})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
    });

TEST(Reencode, KeepsTheMarkersAndWritesOnlyOneJfifHeader)
{
    QByteArray icc("\xFF\xE2\x00\x14ICC_PROFILE\x00\x01\x01profil", 22);
    const QByteArray comment("\xFF\xFE\x00\x0Ataken at", 12);
    const QByteArray original = test::WithSegment(
        test::WithSegment(test::WithSegment(encode(photoLike(70, 50), Sampling::S420), comment), icc),
        test::ExifSegment(1, false));
    const QByteArray turned = ReencodeJpegTransformed(original, TJXOP_ROT90);
    ASSERT_FALSE(turned.isEmpty());
    for (const QByteArray& segment : {icc, comment, test::ExifSegment(1, false)})
        EXPECT_TRUE(turned.contains(segment)) << segment.mid(4, 8).toStdString();
    EXPECT_EQ(turned.count("JFIF"), 1);
}

TEST(Reencode, RefusesWhatIsNotAWholeJpeg)
{
    const QByteArray original = encode(photoLike(70, 50), Sampling::S420);
    EXPECT_TRUE(ReencodeJpegTransformed(original.left(original.size() / 2), TJXOP_ROT90).isEmpty());
    EXPECT_TRUE(ReencodeJpegTransformed(QByteArray("\xFF\xD8\xFF\xE0 nothing", 13), TJXOP_ROT90).isEmpty());
    EXPECT_TRUE(ReencodeJpegTransformed(QByteArray(), TJXOP_ROT90).isEmpty());

    // A quantisation step of zero decodes, but an encoder would divide by it.
    QByteArray zeroStep = original;
    const qsizetype table = zeroStep.indexOf("\xFF\xDB");
    ASSERT_GE(table, 0);
    zeroStep[table + 5 + 10] = 0;
    ASSERT_FALSE(DecodeImage(zeroStep).isNull());
    EXPECT_TRUE(ReencodeJpegTransformed(zeroStep, TJXOP_ROT90).isEmpty());
}

} // namespace
} // namespace vq
