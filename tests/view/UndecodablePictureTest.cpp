#include "model/Document.h"
#include "base/Settings.h"
#include "tests/support/Fixtures.h"
#include "render/Painters.h"
#include "model/RangeModeState.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace vq {
namespace {

// JPEG bytes whose header gives a size but which hold no scan to decode.
QByteArray brokenJpeg()
{
    QByteArray bytes = test::makeJpeg(100, 100, Qt::blue);
    bytes.truncate(bytes.indexOf("\xFF\xDA"));
    bytes += "\xFF\xD9";
    return bytes;
}

TEST(UndecodablePicture, HidesNothingBeneathIt)
{
    Document doc;
    doc.ResetDocument();
    ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(100, 100, Qt::red)), 100, 100, 200, 200));
    const PicturePtr broken = Picture::fromJpegBytes(brokenJpeg());
    ASSERT_TRUE(broken);
    ASSERT_TRUE(AppendNode(doc, broken, 100, 100, 200, 200));
    SysSettings sys;
    for (int paint = 0; paint < 2; ++paint) {
        QImage image(400, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            PaintNodes(painter, doc, sys, RangeMode{}, 1.0f, false);
        }
        const QColor centre = image.pixelColor(230, 170);
        EXPECT_GT(centre.red(), 200) << "paint " << paint;
        EXPECT_LT(centre.blue(), 60) << "paint " << paint;
    }
    EXPECT_TRUE(broken->undecodable());
}

} // namespace
} // namespace vq
