#pragma once

// Documents with solid-coloured nodes at known places, and PDF files read back
// through poppler's pdfinfo, pdftoppm and pdftotext, for the printing tests.
#include "imaging/Codec.h"
#include "model/Document.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cstdlib>
#include <initializer_list>

namespace vq::test {

struct SceneNode {
    QRect rect;     // canvas pixels
    QColor colour;
};

inline void BuildPrintScene(Document& doc, int canvasW, int canvasH, std::initializer_list<SceneNode> nodes)
{
    doc.ResetDocument();
    doc.state.canvasWidth = canvasW;
    doc.state.canvasHeight = canvasH;
    doc.state.backColor = 0xFFFFFF;
    doc.state.canvasFrameColor = kNoColor;
    for (const SceneNode& n : nodes) {
        QImage picture(n.rect.size(), QImage::Format_RGB32);
        picture.fill(n.colour);
        NodeRecord& node = doc.nodes[doc.state.nodeCount];
        node = NodeRecord{};
        node.picture = BitmapToPicture(picture);
        node.centerX = n.rect.left() + n.rect.width() / 2;
        node.centerY = n.rect.top() + n.rect.height() / 2;
        node.halfWidth = n.rect.width() / 2;
        node.halfHeight = n.rect.height() / 2;
        node.imageWidth = n.rect.width();
        node.imageHeight = n.rect.height();
        node.frameColor = kNoColor;
        ++doc.state.nodeCount;
    }
}

// Text of page `page` as pdftotext reads it; empty on failure.
inline QString PdfText(const QString& pdf, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                          QString::number(page), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline bool HasPoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// Pages of the PDF file as pdfinfo counts them; -1 when it cannot be read.
inline int PdfPageCount(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromLocal8Bit(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Page `page` rendered by pdftoppm at `dpi`; null on failure.
inline QImage PdfPage(const QString& pdf, int page, int dpi)
{
    const QString prefix = pdf + QStringLiteral(".page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                         QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                         QString::number(page), QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QImage image(prefix + QStringLiteral(".png"));
    QFile::remove(prefix + QStringLiteral(".png"));
    return image;
}

// The pixel at (xMm, yMm) from the sheet's corner on a page rendered at `dpi`.
inline QRgb PixelAtMm(const QImage& page, double xMm, double yMm, int dpi)
{
    return page.pixel(int(xMm / 25.4 * dpi), int(yMm / 25.4 * dpi));
}

inline bool NearRgb(QRgb actual, QColor expected, int tolerance = 24)
{
    return std::abs(qRed(actual) - expected.red()) <= tolerance
           && std::abs(qGreen(actual) - expected.green()) <= tolerance
           && std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

inline std::string RgbText(QRgb c)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)).toStdString();
}

} // namespace vq::test
