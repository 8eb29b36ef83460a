// Renders the scalable icon at the fixed sizes icon themes look up, so the
// PNGs never drift from the drawing and no binaries live in the sources.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() != 4) {
        err << "usage: render-icon SVG SIZE PNG\n";
        return 2;
    }
    bool ok = false;
    const int size = args[2].toInt(&ok);
    if (!ok || size <= 0) {
        err << "render-icon: bad size " << args[2] << '\n';
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        err << "render-icon: cannot read " << args[1] << '\n';
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        svg.render(&painter);
    }
    if (!image.save(args[3], "PNG")) {
        err << "render-icon: cannot write " << args[3] << '\n';
        return 1;
    }
    return 0;
}
