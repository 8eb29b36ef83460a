#include "app/VisualStyles.h"
#include "resources/CommandIds.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <gtest/gtest.h>

#include <algorithm>

namespace vq {
namespace {

// How far the brightest pixel of an unticked list tick box stands out from
// the field it is drawn on.
int tickBoxContrast()
{
    const QPalette palette = QApplication::palette();
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(palette.base().color());
    {
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = QRect(4, 4, 16, 16);
        option.palette = palette;
        option.state = QStyle::State_Enabled | QStyle::State_Off;
        QApplication::style()->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &option, &painter);
    }
    const int field = palette.base().color().lightness();
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            most = std::max(most, std::abs(QColor(image.pixel(x, y)).lightness() - field));
    return most;
}

TEST(VisualStylesTest, UntickedListTickBoxesShowOnEveryLook)
{
    for (const int look : {int(cmd::StyleOffice2007Black), int(cmd::StyleOffice2007Blue), int(cmd::StyleWin7),
                           int(cmd::StyleWin2000)}) {
        ApplyVisualStyle(look);
        EXPECT_GE(tickBoxContrast(), 60) << look;
    }
    ApplyVisualStyle(cmd::StyleOffice2007Black);
}

TEST(VisualStylesTest, ChangingColoursOnlyKeepsTheStyle)
{
    ApplyVisualStyle(cmd::StyleOffice2007Black);
    const QStyle* before = QApplication::style();
    ApplyVisualStyle(cmd::StyleOffice2007Silver);
    EXPECT_EQ(QApplication::style(), before);
}

} // namespace
} // namespace vq
