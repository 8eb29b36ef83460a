// vqdtool: read, make and unpack Velquin documents without a desktop session.
#include "edit/ExportImage.h"
#include "edit/RangeMode.h"
#include "imaging/BmpWriter.h"
#include "imaging/Codec.h"
#include "model/DocumentFile.h"
#include "model/Messages.h"
#include "model/Settings.h"
#include "model/TextUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

using namespace vq;

int usage()
{
    std::fprintf(stderr,
                 "usage: vqdtool info DOC.vqd\n"
                 "       vqdtool create [--backup] DOC.vqd IMAGE...\n"
                 "       vqdtool extract DOC.vqd DIR\n"
                 "       vqdtool export DOC.vqd OUT [--zoom Z] [--quality Q] [--bmp 1..8] [--overlap on|off]\n");
    return 2;
}

int fail(const QString& line)
{
    std::fprintf(stderr, "vqdtool: %s\n", line.toUtf8().constData());
    return 1;
}

QString catalogueText(int id)
{
    return messageText(id).value_or(QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

bool openDocument(const QString& path, Document& doc)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (absolute.right(3).toUpper() != QLatin1String("VQD")) {
        std::fprintf(stderr, "vqdtool: %s: %s\n", qPrintable(path), qPrintable(catalogueText(30019)));
        return false;
    }
    return OpenDocumentFile(absolute, doc, nullptr, directJobRunner());
}

QJsonObject stateJson(const DocState& s)
{
    return QJsonObject{
        {"nodeCount", s.nodeCount},
        {"mainIndex", s.mainIndex},
        {"scrollX", s.scrollX},
        {"scrollY", s.scrollY},
        {"zoom", double(s.zoom)},
        {"consoleX", s.consoleX},
        {"consoleY", s.consoleY},
        {"consoleAlways", s.consoleAlways},
        {"canvasWidth", s.canvasWidth},
        {"canvasHeight", s.canvasHeight},
        {"backColor", s.backColor},
        {"canvasFrameColor", s.canvasFrameColor},
        {"canvasFrameWidth", s.canvasFrameWidth},
        {"canvasFrameStyle", s.canvasFrameStyle},
        {"backPicture", s.backPicture ? 1 : 0},
        {"backPictureBytes", s.backPicture ? double(s.backPicture->bytes().size()) : 0.0},
        {"gridMode", s.gridMode},
        {"gridOnTop", s.gridOnTop},
        {"modeFrameColor", s.modeFrameColor},
        {"modeFrameWidth", s.modeFrameWidth},
    };
}

QJsonObject nodeJson(int index, const NodeRecord& n)
{
    return QJsonObject{
        {"index", index},
        {"centerX", n.centerX},
        {"centerY", n.centerY},
        {"halfWidth", n.halfWidth},
        {"halfHeight", n.halfHeight},
        {"frameColor", n.frameColor},
        {"frameWidth", n.frameWidth},
        {"frameStyle", n.frameStyle},
        {"picture", n.picture ? 1 : 0},
        {"pictureBytes", n.picture ? double(n.picture->bytes().size()) : 0.0},
        {"imageWidth", n.imageWidth},
        {"imageHeight", n.imageHeight},
        {"dataSize", n.dataSize},
        {"source", NodeSourceText(n)},
    };
}

int info(const QString& path)
{
    Document doc;
    if (!openDocument(path, doc))
        return 1;
    QJsonArray nodes;
    for (int i = 0; i < doc.state.nodeCount; ++i)
        nodes.append(nodeJson(i, doc.nodes[i]));
    const QJsonObject root{{"state", stateJson(doc.state)}, {"nodes", nodes}};
    const QByteArray out = QJsonDocument(root).toJson(QJsonDocument::Indented);
    std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    return 0;
}

// A tool run leaves the desktop user's settings alone: it neither asks them
// whether to keep a backup nor records the document as the last one saved.
int create(const QString& path, const QStringList& images, bool makeBackup)
{
    Document doc;
    doc.ResetDocument();
    for (int i = 0; i < images.size(); ++i) {
        const QString image = QFileInfo(images[i]).absoluteFilePath();
        const QString type = ImageTypeFromPath(image);
        const auto loaded = type.isEmpty() ? std::nullopt : LoadPicture(image, type);
        if (!loaded)
            return fail(image + QStringLiteral(": ") + catalogueText(30029));
        // As the add command places files on a new document whose whole canvas
        // is in view: the first at the centre, the rest cascading from the corner.
        const int cx = i == 0 ? doc.state.canvasWidth / 2 : 10 * i;
        const int cy = i == 0 ? doc.state.canvasHeight / 2 : 10 * i;
        if (!AppendNode(doc, loaded->picture, loaded->width, loaded->height, cx, cy))
            return 1;
        SetNodeSource(doc, doc.state.nodeCount - 1, loaded->width, loaded->height, loaded->dataSize,
                      QStringLiteral("file:///") + image);
    }
    const SaveOptions options{makeBackup, nullptr};
    if (!SaveDocumentFile(QFileInfo(path).absoluteFilePath(), doc, options, nullptr, directJobRunner()))
        return 1;
    return 0;
}

int extract(const QString& path, const QString& folder)
{
    // Opening moves the current folder into the working folder.
    const QString dir = QFileInfo(folder).absoluteFilePath();
    Document doc;
    if (!openDocument(path, doc))
        return 1;
    if (!QDir().mkpath(dir))
        return fail(dir + QStringLiteral(": ") + catalogueText(30018));
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (!doc.nodes[i].picture)
            continue;
        const QString target = QDir(dir).filePath(QStringLiteral("%1.jpeg").arg(i, 4, 10, QLatin1Char('0')));
        QSaveFile out(target);
        const QByteArray& bytes = doc.nodes[i].picture->bytes();
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            return fail(target + QStringLiteral(": ") + catalogueText(30018));
    }
    return 0;
}

struct ExportOptions {
    float zoom = 1.0f;
    int quality = 100;
    int bmpFormat = 0;
    bool overlap = true; // the program's default
};

// Options after DOC and OUT; nothing when one is unknown or out of range.
std::optional<ExportOptions> parseExportOptions(const QStringList& args)
{
    ExportOptions options;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString& name = args.at(i);
        const QString& value = args.at(i + 1);
        bool ok = false;
        if (name == QLatin1String("--zoom")) {
            options.zoom = value.toFloat(&ok);
            ok = ok && std::isfinite(options.zoom) && options.zoom > 0.0f;
        } else if (name == QLatin1String("--quality")) {
            options.quality = value.toInt(&ok);
            ok = ok && options.quality >= 0 && options.quality <= 100;
        } else if (name == QLatin1String("--bmp")) {
            options.bmpFormat = value.toInt(&ok);
            ok = ok && options.bmpFormat >= kBmpMono && options.bmpFormat <= kBmp32;
        } else if (name == QLatin1String("--overlap")) {
            ok = value == QLatin1String("on") || value == QLatin1String("off");
            options.overlap = value == QLatin1String("on");
        }
        if (!ok)
            return std::nullopt;
    }
    return options;
}

// What the program's export writes for OUT typed with the type list's
// bitmap format `--bmp`, or otherwise with a type taken from OUT's extension.
// The desktop user's settings are not read: the overlap marking is on unless
// turned off, and no range mode is active in a document on disk.
int exportImage(const QString& path, const QString& out, const ExportOptions& options)
{
    // Opening moves the current folder into the working folder.
    const QString target = QFileInfo(out).absoluteFilePath();
    const auto type = ExportTargetFor(options.bmpFormat > 0 ? options.bmpFormat : kExportJpegFilter, target);
    if (!type)
        return fail(out + QStringLiteral(": ") + catalogueText(30019));
    Document doc;
    if (!openDocument(path, doc))
        return 1;
    SysSettings sys;
    sys.dspOverlap = options.overlap ? 1 : 0;
    switch (ExportCanvas(doc, sys, RangeMode{}, options.zoom, target, *type, options.quality)) {
    case ExportResult::Saved: return 0;
    case ExportResult::NoMemory: return fail(out + QStringLiteral(": ") + catalogueText(30001));
    case ExportResult::WriteFailed: break;
    }
    return fail(out + QStringLiteral(": ") + catalogueText(30018));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return usage();
    const QString command = args.at(1);
    if (command == QLatin1String("info") && args.size() == 3)
        return info(args.at(2));
    if (command == QLatin1String("create")) {
        QStringList rest = args.mid(2);
        const bool makeBackup = !rest.isEmpty() && rest.first() == QLatin1String("--backup");
        if (makeBackup)
            rest.removeFirst();
        if (rest.size() >= 2 && !rest.first().startsWith(QLatin1String("--")))
            return create(rest.first(), rest.mid(1), makeBackup);
        return usage();
    }
    if (command == QLatin1String("export") && args.size() >= 4) {
        const auto options = parseExportOptions(args.mid(4));
        if (!options)
            return usage();
        return exportImage(args.at(2), args.at(3), *options);
    }
    if (command == QLatin1String("extract") && args.size() == 4)
        return extract(args.at(2), args.at(3));
    return usage();
}
