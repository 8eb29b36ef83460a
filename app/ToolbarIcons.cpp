#include "app/ToolbarIcons.h"

#include "resources/CommandIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vq {

namespace {

// Glyphs are drawn on a 24 x 24 grid. Colours are mid-tone with dark outlines
// so that they read on light and on dark looks alike.
const QColor kOutline(0x2b, 0x36, 0x45);
const QColor kBlue(0x2f, 0x6f, 0xd0);
const QColor kRed(0xd9, 0x34, 0x2b);
const QColor kSky(0xa9, 0xd2, 0xf5);
const QColor kGreen(0x4c, 0x9a, 0x3c);
const QColor kYellow(0xf2, 0xc2, 0x30);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kBar(0x5b, 0x9b, 0xe6);

// Mirror images and transposes let one drawing serve a family of commands.
const QTransform kMirror(-1, 0, 0, 1, 24, 0);
const QTransform kTranspose(0, 1, 1, 0, 0, 0);
const QTransform kFlipV(1, 0, 0, -1, 0, 24);

QPen outlinePen(qreal width = 1.0)
{
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void picture(QPainter& p, const QRectF& r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kSky);
    p.drawRect(r);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.45);
    hill.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.7);
    hill.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.55);
    hill.lineTo(r.right(), r.bottom());
    hill.closeSubpath();
    p.setBrush(kGreen);
    p.drawPath(hill);
    p.setBrush(kYellow);
    const qreal d = std::min(r.width(), r.height()) * 0.22;
    p.drawEllipse(QRectF(r.right() - d * 1.6, r.top() + d * 0.5, d, d));
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen());
    p.drawRect(r);
}

void page(QPainter& p, const QRectF& r)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(outlinePen());
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawPolyline(QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                              QPointF(r.right(), r.top() + fold)}));
}

void bar(QPainter& p, const QRectF& r, const QColor& c = kBar)
{
    p.setPen(outlinePen());
    p.setBrush(c);
    p.drawRect(r);
}

void arrowHead(QPainter& p, QPointF tip, QPointF from, const QColor& c, qreal size = 4.5)
{
    const QLineF back(tip, from);
    QLineF side1 = back;
    side1.setLength(size);
    side1.setAngle(back.angle() + 30);
    QLineF side2 = back;
    side2.setLength(size);
    side2.setAngle(back.angle() - 30);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({tip, side1.p2(), side2.p2()}));
}

void doubleArrow(QPainter& p, QPointF a, QPointF b, const QColor& c)
{
    p.setPen(QPen(c, 1.5));
    p.drawLine(a, b);
    arrowHead(p, a, b, c, 3.5);
    arrowHead(p, b, a, c, 3.5);
}

void floppy(QPainter& p, const QRectF& r)
{
    p.setPen(outlinePen());
    p.setBrush(kBlue);
    p.drawRoundedRect(r, 1.5, 1.5);
    p.setBrush(QColor(0xd8, 0xde, 0xe6));
    p.drawRect(QRectF(r.left() + r.width() * 0.25, r.top(), r.width() * 0.5, r.height() * 0.32));
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + r.width() * 0.18, r.top() + r.height() * 0.55, r.width() * 0.64, r.height() * 0.45));
}

void curvedArrow(QPainter& p, const QColor& c)
{
    // Clockwise three-quarter turn ending in an arrow at the top right.
    QPainterPath arc;
    arc.arcMoveTo(QRectF(4, 4, 16, 16), 150);
    arc.arcTo(QRectF(4, 4, 16, 16), 150, -240);
    p.setPen(QPen(c, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    const QPointF end = arc.currentPosition();
    arrowHead(p, end + QPointF(-1.5, 3.5), end + QPointF(-4, -2), c, 6);
}

void uTurn(QPainter& p, const QColor& c)
{
    QPainterPath path;
    path.moveTo(5, 20);
    path.lineTo(5, 11);
    path.arcTo(QRectF(5, 4, 14, 14), 180, -180);
    path.lineTo(19, 15);
    p.setPen(QPen(c, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    arrowHead(p, QPointF(19, 21.5), QPointF(19, 12), c, 6);
}

void undoArrow(QPainter& p, const QColor& c)
{
    QPainterPath path;
    path.moveTo(7, 9);
    path.cubicTo(QPointF(14, 9), QPointF(21, 10), QPointF(20, 16));
    path.cubicTo(QPointF(19.5, 19), QPointF(17, 20), QPointF(14, 20));
    p.setPen(QPen(c, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    arrowHead(p, QPointF(2, 9), QPointF(9, 9), c, 7);
}

void roundBadge(QPainter& p, const QString& letter)
{
    p.setPen(outlinePen());
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(2.5, 2.5, 19, 19), Qt::AlignCenter, letter);
}

void trimEdge(QPainter& p)
{
    picture(p, QRectF(7, 4, 14, 16));
    p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(5, 3), QPointF(5, 21));
    arrowHead(p, QPointF(5, 12), QPointF(0, 12), kRed, 5);
}

void alignEdge(QPainter& p)
{
    bar(p, QRectF(5, 4, 15, 4));
    bar(p, QRectF(5, 10, 9, 4));
    bar(p, QRectF(5, 16, 12, 4));
    p.setPen(QPen(kRed, 2));
    p.drawLine(QPointF(3.5, 2), QPointF(3.5, 22));
}

void centreLine(QPainter& p)
{
    bar(p, QRectF(3, 7, 5, 10));
    bar(p, QRectF(9.5, 3, 5, 18));
    bar(p, QRectF(16, 9, 5, 6));
    p.setPen(QPen(kRed, 1.5, Qt::DashLine));
    p.drawLine(QPointF(1, 12), QPointF(23, 12));
}

void equalSpacing(QPainter& p)
{
    bar(p, QRectF(3, 2.5, 12, 4));
    bar(p, QRectF(3, 10, 12, 4));
    bar(p, QRectF(3, 17.5, 12, 4));
    doubleArrow(p, QPointF(20, 3), QPointF(20, 21), kRed);
}

void sameWidth(QPainter& p)
{
    bar(p, QRectF(4, 9, 16, 4));
    bar(p, QRectF(4, 16, 16, 4));
    doubleArrow(p, QPointF(3, 4.5), QPointF(21, 4.5), kRed);
}

void mirrorHalf(QPainter& p)
{
    p.setPen(outlinePen());
    p.setBrush(kBar);
    p.drawPolygon(QPolygonF({QPointF(10, 5), QPointF(10, 19), QPointF(2.5, 19)}));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({QPointF(14, 5), QPointF(14, 19), QPointF(21.5, 19)}));
    p.setPen(QPen(kRed, 1.5, Qt::DashLine));
    p.drawLine(QPointF(12, 2), QPointF(12, 22));
}

void grid(QPainter& p, const QRectF& r, const QColor& line)
{
    p.setPen(QPen(line, 1.2));
    for (int i = 1; i < 4; ++i) {
        const qreal x = r.left() + r.width() * i / 4;
        const qreal y = r.top() + r.height() * i / 4;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

// False when `id` has no glyph.
bool drawGlyph(QPainter& p, int id)
{
    const auto transformed = [&p](const QTransform& t, void (*draw)(QPainter&)) {
        p.save();
        p.setTransform(t, true);
        draw(p);
        p.restore();
    };
    switch (id) {
    case cmd::FileNew:
        page(p, QRectF(4.5, 2.5, 14, 19));
        arrowHead(p, QPointF(21, 3), QPointF(17, 7), kYellow, 5);
        break;
    case cmd::FileOpen:
        p.setPen(outlinePen());
        p.setBrush(QColor(0xd9, 0xa4, 0x2c));
        p.drawPolygon(QPolygonF({QPointF(2.5, 5), QPointF(9, 5), QPointF(11, 7.5), QPointF(20.5, 7.5),
                                 QPointF(20.5, 19.5), QPointF(2.5, 19.5)}));
        p.setBrush(QColor(0xf6, 0xd3, 0x6b));
        p.drawPolygon(QPolygonF({QPointF(5, 11), QPointF(22.5, 11), QPointF(20.5, 19.5), QPointF(2.5, 19.5)}));
        break;
    case cmd::FileSave:
        floppy(p, QRectF(3.5, 3.5, 17, 17));
        break;
    case cmd::FileSaveAs:
        floppy(p, QRectF(2.5, 2.5, 15, 15));
        p.setPen(QPen(kOutline, 1));
        p.setBrush(QColor(0xe6, 0x94, 0x22));
        p.drawPolygon(QPolygonF({QPointF(21, 10), QPointF(23, 12), QPointF(14, 21), QPointF(11.5, 21.5), QPointF(12, 19)}));
        break;
    case cmd::SaveAsImage:
        picture(p, QRectF(2.5, 2.5, 17, 14));
        floppy(p, QRectF(13.5, 12.5, 9, 9));
        break;
    case cmd::Print:
        p.setPen(outlinePen());
        p.setBrush(kPaper);
        p.drawRect(QRectF(6.5, 2.5, 11, 7));
        p.setBrush(QColor(0x8a, 0x94, 0xa3));
        p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(6.5, 14.5, 11, 7));
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(17, 11, 2.5, 2.5));
        break;
    case cmd::Copy:
        page(p, QRectF(2.5, 2.5, 11, 14));
        page(p, QRectF(9.5, 7.5, 11, 14));
        break;
    case cmd::Paste:
        p.setPen(outlinePen());
        p.setBrush(QColor(0xb9, 0x8a, 0x4b));
        p.drawRoundedRect(QRectF(3.5, 4.5, 15, 17), 1.5, 1.5);
        p.setBrush(QColor(0xc8, 0xcc, 0xd2));
        p.drawRect(QRectF(7.5, 2.5, 7, 4));
        page(p, QRectF(10.5, 9.5, 11, 13));
        break;
    case cmd::Delete:
        p.setPen(QPen(kRed, 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(19, 19));
        p.drawLine(QPointF(19, 5), QPointF(5, 19));
        break;
    case cmd::Overlap:
        bar(p, QRectF(2.5, 2.5, 12, 12), kBar);
        bar(p, QRectF(9.5, 9.5, 12, 12), QColor(0x7c, 0xc4, 0x6a));
        p.setPen(outlinePen());
        p.setBrush(QColor(0x30, 0x20, 0x50));
        p.drawRect(QRectF(9.5, 9.5, 5, 5));
        break;
    case cmd::GridButton:
        p.setPen(outlinePen());
        p.setBrush(kPaper);
        p.drawRect(QRectF(2.5, 2.5, 19, 19));
        grid(p, QRectF(2.5, 2.5, 19, 19), kBlue);
        break;
    case cmd::GridOnTop:
        picture(p, QRectF(2.5, 2.5, 19, 19));
        grid(p, QRectF(2.5, 2.5, 19, 19), kRed);
        break;
    case cmd::Snap: {
        // Two pictures lined up on their left edges, and the guide between.
        bar(p, QRectF(6.5, 3.5, 15, 7));
        bar(p, QRectF(6.5, 13.5, 10, 7), QColor(0x7c, 0xc4, 0x6a));
        QPen guide(QColor(0xe0, 0x10, 0xc0), 1.5, Qt::CustomDashLine, Qt::FlatCap);
        guide.setDashPattern({2, 1});
        p.setPen(guide);
        p.drawLine(QPointF(6.5, 0.5), QPointF(6.5, 23.5));
        break;
    }
    case cmd::ViewProperties:
        p.setPen(outlinePen());
        p.setBrush(kPaper);
        p.drawRect(QRectF(2.5, 3.5, 19, 17));
        p.setBrush(kBlue);
        p.drawRect(QRectF(2.5, 3.5, 19, 4));
        p.setPen(QPen(kOutline, 1.5));
        for (qreal y : {11.0, 14.5, 18.0}) {
            p.drawLine(QPointF(5, y), QPointF(10, y));
            p.drawLine(QPointF(12, y), QPointF(19, y));
        }
        break;
    case cmd::TrimLeft: trimEdge(p); break;
    case cmd::TrimRight: transformed(kMirror, trimEdge); break;
    case cmd::TrimTop: transformed(kTranspose, trimEdge); break;
    case cmd::TrimBottom: transformed(kTranspose * kFlipV, trimEdge); break;
    case cmd::TrimBySize:
        picture(p, QRectF(6.5, 6.5, 11, 11));
        p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::SquareCap));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(6, 1.5), QPointF(6, 18), QPointF(22.5, 18)}));
        p.drawPolyline(QPolygonF({QPointF(1.5, 6), QPointF(18, 6), QPointF(18, 22.5)}));
        break;
    case cmd::RotateRight: curvedArrow(p, kBlue); break;
    case cmd::RotateLeft: transformed(kMirror, [](QPainter& q) { curvedArrow(q, kBlue); }); break;
    case cmd::Rotate180: uTurn(p, kBlue); break;
    case cmd::RotateAny:
        p.setPen(QPen(kOutline, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 20), QPointF(21, 20));
        p.drawLine(QPointF(3, 20), QPointF(18, 5));
        p.setPen(QPen(kRed, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(-7, 10, 20, 20), 0, 45 * 16);
        p.setBrush(kRed);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(17, 3, 5, 5));
        break;
    case cmd::FlipHorizontal: mirrorHalf(p); break;
    case cmd::FlipVertical: transformed(kTranspose, mirrorHalf); break;
    case cmd::AlignLeft: alignEdge(p); break;
    case cmd::AlignRight: transformed(kMirror, alignEdge); break;
    case cmd::AlignTop: transformed(kTranspose, alignEdge); break;
    case cmd::AlignBottom: transformed(kTranspose * kFlipV, alignEdge); break;
    case cmd::CentreVertical: centreLine(p); break;
    case cmd::CentreHorizontal: transformed(kTranspose, centreLine); break;
    case cmd::SpaceVertical: equalSpacing(p); break;
    case cmd::SpaceHorizontal: transformed(kTranspose, equalSpacing); break;
    case cmd::SameWidth: sameWidth(p); break;
    case cmd::SameHeight: transformed(kTranspose, sameWidth); break;
    case cmd::SameSize:
        bar(p, QRectF(7.5, 7.5, 13, 13));
        doubleArrow(p, QPointF(7, 3.5), QPointF(21, 3.5), kRed);
        doubleArrow(p, QPointF(3.5, 7), QPointF(3.5, 21), kRed);
        break;
    case cmd::Undo: undoArrow(p, kBlue); break;
    case cmd::Redo: transformed(kMirror, [](QPainter& q) { undoArrow(q, kBlue); }); break;
    case cmd::Manual: roundBadge(p, QStringLiteral("?")); break;
    case cmd::About: roundBadge(p, QStringLiteral("i")); break;
    default: return false;
    }
    return true;
}

struct ThemeName {
    int id;
    const char* name;
};
constexpr ThemeName kThemeNames[] = {
    {cmd::FileNew, "document-new"},
    {cmd::FileOpen, "document-open"},
    {cmd::FileSave, "document-save"},
    {cmd::FileSaveAs, "document-save-as"},
    {cmd::Print, "document-print"},
    {cmd::Copy, "edit-copy"},
    {cmd::Paste, "edit-paste"},
    {cmd::Delete, "edit-delete"},
    {cmd::ViewProperties, "document-properties"},
    {cmd::RotateRight, "object-rotate-right"},
    {cmd::RotateLeft, "object-rotate-left"},
    {cmd::FlipHorizontal, "object-flip-horizontal"},
    {cmd::FlipVertical, "object-flip-vertical"},
    {cmd::Undo, "edit-undo"},
    {cmd::Redo, "edit-redo"},
    {cmd::Manual, "help-contents"},
    {cmd::About, "help-about"},
};

} // namespace

QIcon drawnCommandIcon(int id)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pm(24 * scale, 24 * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(scale, scale);
        if (!drawGlyph(p, id))
            return {};
        p.end();
        pm.setDevicePixelRatio(scale);
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon commandIcon(int id)
{
    const QIcon drawn = drawnCommandIcon(id);
    for (const ThemeName& t : kThemeNames)
        if (t.id == id)
            return QIcon::fromTheme(QString::fromLatin1(t.name), drawn);
    return drawn;
}

} // namespace vq
