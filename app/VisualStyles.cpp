#include "app/VisualStyles.h"

#include "resources/CommandIds.h"

#include <QApplication>
#include <QPalette>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace vq {

namespace {

// The colours that tell one look from another; the rest of each palette is derived.
struct Look {
    int id;
    const char* style;  // Qt style name
    QRgb window;        // frame, bars and dialogs
    QRgb base;          // fields and lists
    QRgb text;
    QRgb button;
    QRgb highlight;
    QRgb highlightedText;
};

constexpr Look kLooks[] = {
    {cmd::StyleWin2000, "Windows", 0xffd4d0c8, 0xffffffff, 0xff000000, 0xffd4d0c8, 0xff0a246a, 0xffffffff},
    {cmd::StyleOfficeXP, "Fusion", 0xfff9f8f7, 0xffffffff, 0xff000000, 0xffeeede5, 0xffb6bdd2, 0xff000000},
    {cmd::StyleWinXP, "Fusion", 0xffece9d8, 0xffffffff, 0xff000000, 0xfff4f3ee, 0xff316ac5, 0xffffffff},
    {cmd::StyleOffice2003, "Fusion", 0xffc3daf9, 0xffffffff, 0xff000000, 0xff9ebef5, 0xffffc36a, 0xff000000},
    {cmd::StyleVS2005, "Fusion", 0xffeeede5, 0xffffffff, 0xff000000, 0xffe4e2d5, 0xffc1d2ee, 0xff000000},
    {cmd::StyleVS2008, "Fusion", 0xffd4dbe6, 0xffffffff, 0xff000000, 0xffe9ecee, 0xff3399ff, 0xffffffff},
    {cmd::StyleOffice2007Blue, "Fusion", 0xffbfdbff, 0xffffffff, 0xff15428b, 0xffd5e4f2, 0xffffe08c, 0xff15428b},
    {cmd::StyleOffice2007Black, "Fusion", 0xff353535, 0xff252525, 0xfff0f0f0, 0xff454545, 0xffe8a33a, 0xff000000},
    {cmd::StyleOffice2007Silver, "Fusion", 0xffd0d4dd, 0xffffffff, 0xff3b3b3b, 0xffe5e8ee, 0xffa8b4c8, 0xff000000},
    {cmd::StyleOffice2007Aqua, "Fusion", 0xffcbe1ea, 0xffffffff, 0xff1e395b, 0xffdbeef5, 0xff6fb7d4, 0xff000000},
    {cmd::StyleWin7, "Fusion", 0xfff0f0f0, 0xffffffff, 0xff000000, 0xffe1e1e1, 0xff3399ff, 0xffffffff},
};

const Look* findLook(int id)
{
    for (const Look& l : kLooks)
        if (l.id == id)
            return &l;
    return nullptr;
}

QPalette paletteFor(const Look& l)
{
    const QColor window(l.window);
    const QColor text(l.text);
    const bool dark = window.lightness() < 128;
    QPalette p(QColor(l.button), window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Base, QColor(l.base));
    p.setColor(QPalette::AlternateBase, dark ? QColor(l.base).lighter(130) : QColor(l.window).lighter(105));
    p.setColor(QPalette::ToolTipBase, dark ? QColor(0x50, 0x50, 0x50) : QColor(0xff, 0xff, 0xe1));
    p.setColor(QPalette::ToolTipText, dark ? QColor(0xf0, 0xf0, 0xf0) : QColor(0, 0, 0));
    p.setColor(QPalette::Highlight, QColor(l.highlight));
    p.setColor(QPalette::HighlightedText, QColor(l.highlightedText));
    p.setColor(QPalette::PlaceholderText, dark ? QColor(0x9a, 0x9a, 0x9a) : QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Link, dark ? QColor(0x7a, 0xb8, 0xff) : QColor(0x00, 0x55, 0xcc));
    const QColor disabled = dark ? QColor(0x80, 0x80, 0x80) : QColor(0xa0, 0xa0, 0xa0);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

int g_office2007Scheme = cmd::StyleOffice2007Black;

// Fusion outlines a check box a shade darker than the window, which on a dark
// look is the colour of the field it sits in: the tick boxes of lists (the
// recent-file manager's rows) vanish. Dark looks get a light outline instead.
class LookStyle : public QProxyStyle {
public:
    explicit LookStyle(const QString& key) : QProxyStyle(key) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element == PE_IndicatorCheckBox && option && option->palette.base().color().lightness() < 128) {
            QStyleOptionButton lighter;
            lighter.QStyleOption::operator=(*option);
            // The outline is drawn 40 % darker than the window colour.
            lighter.palette.setColor(QPalette::Window, QColor(0xc8, 0xc8, 0xc8));
            QProxyStyle::drawPrimitive(element, &lighter, painter, widget);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// True when the application already draws with our proxy over Qt style `name`.
bool drawsWith(const QString& name)
{
    const auto* look = dynamic_cast<const LookStyle*>(QApplication::style());
    return look && look->baseStyle()->name().compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

bool isVisualStyleId(int id)
{
    return findLook(id) != nullptr;
}

int ApplyVisualStyle(int id)
{
    const Look* look = findLook(id);
    if (!look) {
        id = g_office2007Scheme;
        look = findLook(id);
    }
    if (id >= cmd::StyleOffice2007Blue && id <= cmd::StyleOffice2007Aqua)
        g_office2007Scheme = id;
    // Re-creating the same style would re-polish every widget for nothing.
    const QString styleName = QString::fromLatin1(look->style);
    if (!drawsWith(styleName)) {
        if (QStyleFactory::keys().contains(styleName, Qt::CaseInsensitive))
            QApplication::setStyle(new LookStyle(styleName));
    }
    QApplication::setPalette(paletteFor(*look));
    return id;
}

} // namespace vq
