// Lays out the HTML manual as a PDF with Qt alone, so building needs no
// document tool and the PDF is never checked in. The pictures the page names
// lie beside it as PNG files; a missing one stops the build rather than
// leaving a hole in the manual.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextStream>
#include <QUrl>

namespace {

// Every picture the page names, loaded from the page's folder into the
// document, so nothing depends on where the program runs.
bool addPictures(QTextDocument& doc, const QString& html, const QString& folder, QTextStream& err)
{
    static const QRegularExpression imageSource(QStringLiteral("<img[^>]*\\ssrc=\"([^\"]+)\""),
                                                QRegularExpression::CaseInsensitiveOption);
    auto it = imageSource.globalMatch(html);
    while (it.hasNext()) {
        const QString name = it.next().captured(1);
        if (name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'))) {
            err << "make-manual: pictures must lie beside the page: " << name << '\n';
            return false;
        }
        const QImage image(folder + QLatin1Char('/') + name);
        if (image.isNull()) {
            err << "make-manual: cannot read the picture " << name << '\n';
            return false;
        }
        doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 3) {
        err << "usage: make-manual HTML PDF\n";
        return 2;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        err << "make-manual: cannot read " << args[1] << '\n';
        return 1;
    }
    const QString html = QString::fromUtf8(source.readAll());

    QPdfWriter pdf(args[2]);
    pdf.setTitle(QStringLiteral("Velquin 取扱説明書"));
    pdf.setCreator(QStringLiteral("Velquin"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
    pdf.setResolution(300);

    QTextDocument doc;
    // The Japanese text needs a CJK face; fontconfig falls back to one when
    // the family lacks a glyph, but naming it keeps the look steady.
    QFont font(QStringList{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans")});
    font.setPointSizeF(10.5);
    doc.setDefaultFont(font);
    if (!addPictures(doc, html, QFileInfo(args[1]).absolutePath(), err))
        return 1;
    doc.setHtml(html);
    // Unpaginated, print() lays a copy out on the writer's own pages, so
    // point sizes come out true at any resolution.
    doc.print(&pdf);
    if (!QFile::exists(args[2]) || QFile(args[2]).size() == 0) {
        err << "make-manual: cannot write " << args[2] << '\n';
        return 1;
    }
    return 0;
}
