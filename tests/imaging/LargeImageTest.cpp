// Canvas-sized images allocated for huge pages behave as any QImage.
#include "imaging/LargeImage.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace vq {
namespace {

struct LargeCase {
    const char* name;
    QSize size;
    QImage::Format format;
};

class LargeImageTest : public ::testing::TestWithParam<LargeCase> {};

TEST_P(LargeImageTest, IsAnOrdinaryWritableImageThatCopiesDetach)
{
    const LargeCase& c = GetParam();
    QImage image = AllocateLargeImage(c.size, c.format);
    ASSERT_EQ(image.size(), c.size);
    EXPECT_EQ(image.format(), c.format);
    EXPECT_EQ(image.bytesPerLine() % 4, 0);
    EXPECT_GE(image.bytesPerLine(), qsizetype(c.size.width()) * image.depth() / 8);

    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.fillRect(QRect(c.size.width() - 10, c.size.height() - 10, 10, 10), Qt::red);
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(c.size.width() - 1, c.size.height() - 1), qRgb(255, 0, 0));

    QImage copy = image;
    copy.setPixel(0, 0, qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    image = QImage(); // the copy keeps its own pixels
    EXPECT_EQ(copy.pixel(c.size.width() - 1, c.size.height() - 1), qRgb(255, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Table, LargeImageTest,
                         ::testing::Values(LargeCase{"Canvas", {5000, 5000}, QImage::Format_RGB32},
                                           LargeCase{"PaddedLines", {3001, 2001}, QImage::Format_RGB888},
                                           LargeCase{"Small", {100, 80}, QImage::Format_RGB32}),
                         [](const auto& info) { return info.param.name; });

TEST(LargeImageTest, EmptySizeGivesNoImage)
{
    EXPECT_TRUE(AllocateLargeImage({}, QImage::Format_RGB32).isNull());
    EXPECT_TRUE(AllocateLargeImage({0, 10}, QImage::Format_RGB32).isNull());
}

} // namespace
} // namespace vq
