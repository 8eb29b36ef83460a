// vqdtool: read, make and unpack Velquin documents without a desktop session.
#include "edit/ExportImage.h"
#include "model/RangeModeState.h"
#include "imaging/BmpWriter.h"
#include "imaging/Codec.h"
#include "imaging/ExifOrientation.h"
#include "model/DocumentFile.h"
#include "base/Prompter.h"
#include "base/Report.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "print/PagePrinter.h"
#include "print/PaperTable.h"
#include "render/ViewGeometry.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

using namespace vq;

int usage()
{
    std::fprintf(stderr,
                 "usage: vqdtool info DOC.vqd\n"
                 "       vqdtool create [--backup] DOC.vqd IMAGE...\n"
                 "       vqdtool extract DOC.vqd DIR\n"
                 "       vqdtool export DOC.vqd OUT [--zoom Z] [--quality Q] [--bmp 1..8] [--overlap on|off]\n"
                 "       vqdtool print DOC.vqd (--pdf OUT.pdf | --printer NAME) [--paper A4] [--landscape]\n"
                 "                     [--margins L,R,T,B] [--fit] [--pages N-M] [--dpi 96] [--max-pages N]\n"
                 "                     [--sheets-across N | --width-mm W] [--overlap MM] [--marks] [--labels] [--map]\n"
                 "\n"
                 "export takes a zoom from 0.08 to 4 that keeps the image within 10000 x 7500 pixels.\n"
                 "print refuses a job of more than 1000 pages unless --max-pages allows it.\n"
                 "A poster fills N sheets across (1-20) or is W mm wide (50-5000); sheets overlap 0-30 mm.\n"
                 "Papers besides A4...: l, 2l, hagaki, a3nobi.\n"
                 "Neither writes over the document it reads.\n");
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

// A report reads here as the program's console seam prints any message, on
// one line; a question is declined, as a console has nobody to ask.
int printReport(const Report& report, QObject* = nullptr)
{
    ConsolePrompter console;
    const std::optional<MessageRequest> request = messageRequest(report);
    return request ? console.message(*request) : int(kIdNone);
}

// Whether writing `target` would replace the document at `source`: the same
// file under another name, through a symbolic link or as a hard link.
bool sameFile(const QString& source, const QString& target)
{
    struct stat a = {};
    struct stat b = {};
    if (::stat(QFile::encodeName(source).constData(), &a) != 0 || ::stat(QFile::encodeName(target).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int refuseOverwrite(const QString& out)
{
    return fail(out + QStringLiteral(": is the document being read; name another file"));
}

bool openDocument(const QString& path, Document& doc)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (absolute.right(3).toUpper() != QLatin1String("VQD")) {
        std::fprintf(stderr, "vqdtool: %s: %s\n", qPrintable(path), qPrintable(catalogueText(kMsgWrongFormat)));
        return false;
    }
    return OpenDocumentFile(absolute, doc, nullptr, directJobRunner(), printReport);
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
        const QString type = AddableImageTypeFromPath(image);
        const auto loaded = type.isEmpty() ? std::nullopt : LoadPicture(image, type);
        if (!loaded)
            return fail(image + QStringLiteral(": ") + catalogueText(kMsgImageTypeRefused));
        // As the add command places files on a new document whose whole canvas
        // is in view: the first at the centre, the rest cascading from the corner.
        const int cx = i == 0 ? doc.state.canvasWidth / 2 : 10 * i;
        const int cy = i == 0 ? doc.state.canvasHeight / 2 : 10 * i;
        Report full;
        if (!AppendPictureNode(doc, *loaded, QPoint(cx, cy), QStringLiteral("file:///") + image, &full)) {
            printReport(full);
            return 1;
        }
    }
    const SaveOptions options{makeBackup, nullptr};
    if (!SaveDocumentFile(QFileInfo(path).absoluteFilePath(), doc, options, nullptr, directJobRunner(), printReport))
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
        return fail(dir + QStringLiteral(": ") + catalogueText(kMsgSaveFailed));
    for (int i = 0; i < doc.state.nodeCount; ++i) {
        if (!doc.nodes[i].picture)
            continue;
        const QString target = QDir(dir).filePath(QStringLiteral("%1.jpeg").arg(i, 4, 10, QLatin1Char('0')));
        QSaveFile out(target);
        // As the canvas shows it: a tag the canvas does not apply is written as 1.
        const QByteArray bytes = WithUprightOrientationTag(doc.nodes[i].picture->bytes());
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            return fail(target + QStringLiteral(": ") + catalogueText(kMsgSaveFailed));
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
            // The zooms the program's view can take.
            ok = ok && options.zoom >= kMinZoom && options.zoom <= kMaxZoom;
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
        return fail(out + QStringLiteral(": ") + catalogueText(kMsgWrongFormat));
    if (sameFile(QFileInfo(path).absoluteFilePath(), target))
        return refuseOverwrite(out);
    Document doc;
    if (!openDocument(path, doc))
        return 1;
    // As the view holds its zoom: the zoomed canvas stays within 10000 x 7500.
    const int w = doc.state.canvasWidth;
    const int h = doc.state.canvasHeight;
    if (LimitZoom(options.zoom, w, h) < options.zoom) {
        const QSize size = ZoomedCanvasSize(w, h, options.zoom);
        return fail(QStringLiteral("--zoom %1: the image would be %2 x %3 pixels, larger than %4 x %5")
                        .arg(double(options.zoom))
                        .arg(size.width())
                        .arg(size.height())
                        .arg(kMaxZoomedWidth)
                        .arg(kMaxZoomedHeight));
    }
    SysSettings sys;
    sys.dspOverlap = options.overlap ? 1 : 0;
    Report failure;
    switch (ExportCanvas(doc, sys, RangeMode{}, options.zoom, target, *type, options.quality, &failure)) {
    case ExportResult::Saved: return 0;
    case ExportResult::NoMemory: return fail(out + QStringLiteral(": ") + catalogueText(kMsgOutOfMemory));
    case ExportResult::WriteFailed: break;
    }
    printReport(failure);
    return fail(out + QStringLiteral(": ") + catalogueText(kMsgSaveFailed));
}


// Paper names a script may use besides the program's paper codes 1 to 41;
// B4 and B5 are the Japanese sizes, as in the program's paper list.
std::optional<int> paperCodeFromName(const QString& name)
{
    static const struct {
        const char* name;
        int code;
    } kNames[] = {
        {"letter", 1}, {"tabloid", 3}, {"ledger", 4}, {"legal", 5}, {"statement", 6}, {"executive", 7},
        {"a3", 8},     {"a4", 9},      {"a5", 11},    {"b4", 12},    {"b5", 13},        {"folio", 14},
        {"quarto", 15},
    };
    for (const auto& n : kNames)
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.code;
    bool ok = false;
    const int code = name.toInt(&ok);
    if (ok && PageSizeFromPaperCode(code))
        return code;
    return std::nullopt;
}

struct PrintOptions {
    QString pdf;
    QString printer;
    int paperCode = 9;
    // A paper the program's codes have no number for (L判, はがき, ...).
    std::optional<QPageSize> otherPaper;
    bool landscape = false;
    // A sheet per page: a tiny dpi or a sliver of paper must not send
    // thousands of them unasked.
    int maxPages = 1000;
    PrintSettings settings;
};

// Options after DOC; nothing when one is unknown, malformed or out of range,
// or when not exactly one of --pdf and --printer is given.
std::optional<PrintOptions> parsePrintOptions(const QStringList& args)
{
    PrintOptions options;
    options.settings.margins = MarginsMm{};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& name = args.at(i);
        if (name == QLatin1String("--landscape")) {
            options.landscape = true;
            continue;
        }
        if (name == QLatin1String("--fit")) {
            options.settings.fitOnePage = true;
            continue;
        }
        if (name == QLatin1String("--marks") || name == QLatin1String("--labels") || name == QLatin1String("--map")) {
            PosterOptions& poster = options.settings.poster;
            (name == QLatin1String("--marks") ? poster.marks : name == QLatin1String("--labels") ? poster.labels
                                                                                                 : poster.map) = true;
            continue;
        }
        if (i + 1 >= args.size())
            return std::nullopt;
        const QString& value = args.at(++i);
        if (name == QLatin1String("--pdf") && options.pdf.isEmpty() && !value.isEmpty()) {
            options.pdf = value;
        } else if (name == QLatin1String("--printer") && options.printer.isEmpty() && !value.isEmpty()) {
            options.printer = value;
        } else if (name == QLatin1String("--paper")) {
            if (const std::optional<int> code = paperCodeFromName(value)) {
                options.paperCode = *code;
                options.otherPaper.reset();
            } else if (const std::optional<QPageSize> other = PaperFromName(value)) {
                options.otherPaper = other;
            } else {
                return std::nullopt;
            }
        } else if (name == QLatin1String("--sheets-across") || name == QLatin1String("--width-mm")) {
            const bool across = name == QLatin1String("--sheets-across");
            PosterOptions& poster = options.settings.poster;
            bool ok = false;
            const int n = value.toInt(&ok);
            // One size only: the two would contradict each other.
            if (!ok || poster.sizing != PosterSizing::Screen)
                return std::nullopt;
            if (across ? (n < 1 || n > kMaxSheetsAcross) : (n < kMinPosterWidthMm || n > kMaxPosterWidthMm))
                return std::nullopt;
            poster.sizing = across ? PosterSizing::SheetsAcross : PosterSizing::WidthMm;
            (across ? poster.sheetsAcross : poster.widthMm) = n;
        } else if (name == QLatin1String("--overlap")) {
            bool ok = false;
            const int mm = value.toInt(&ok);
            if (!ok || mm < 0 || mm > kMaxOverlapMm)
                return std::nullopt;
            options.settings.poster.overlapMm = mm;
        } else if (name == QLatin1String("--margins")) {
            const QStringList parts = value.split(QLatin1Char(','));
            if (parts.size() != 4)
                return std::nullopt;
            int mm[4] = {};
            for (int k = 0; k < 4; ++k) {
                bool ok = false;
                mm[k] = parts[k].trimmed().toInt(&ok);
                if (!ok || mm[k] < 0 || mm[k] > kMaxMarginMm)
                    return std::nullopt;
            }
            options.settings.margins = {mm[0], mm[1], mm[2], mm[3]};
        } else if (name == QLatin1String("--pages")) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^(\\d{1,6})(?:-(\\d{1,6}))?$")).match(value);
            if (!m.hasMatch())
                return std::nullopt;
            options.settings.rangeKind = PrintRange::Pages;
            options.settings.firstPage = m.captured(1).toInt();
            options.settings.lastPage = m.captured(2).isEmpty() ? options.settings.firstPage : m.captured(2).toInt();
            if (options.settings.firstPage < 1 || options.settings.lastPage < options.settings.firstPage)
                return std::nullopt;
        } else if (name == QLatin1String("--max-pages")) {
            bool ok = false;
            options.maxPages = value.toInt(&ok);
            if (!ok || options.maxPages < 1)
                return std::nullopt;
        } else if (name == QLatin1String("--dpi")) {
            bool ok = false;
            const int dpi = value.toInt(&ok);
            if (!ok || dpi < 1 || dpi > 10000)
                return std::nullopt;
            options.settings.screenDpiX = dpi;
            options.settings.screenDpiY = dpi;
        } else {
            return std::nullopt;
        }
    }
    if (options.pdf.isEmpty() == options.printer.isEmpty())
        return std::nullopt;
    return options;
}

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}

QString marginName(MarginSide side)
{
    switch (side) {
    case MarginSide::Left: return QStringLiteral("left");
    case MarginSide::Right: return QStringLiteral("right");
    case MarginSide::Top: return QStringLiteral("top");
    case MarginSide::Bottom: return QStringLiteral("bottom");
    }
    return {};
}

// The canvas through the dialog's layout and page loop onto a PDF file or a
// named printer. The desktop user's settings are not read: margins, paper and
// range come from the options, the overlap marking is on as the program's
// default, and no range mode is active in a document on disk.
int printDocument(const QString& path, const PrintOptions& options)
{
    // Opening moves the current folder into the working folder.
    const QString pdf = options.pdf.isEmpty() ? QString() : QFileInfo(options.pdf).absoluteFilePath();
    if (!pdf.isEmpty() && sameFile(QFileInfo(path).absoluteFilePath(), pdf))
        return refuseOverwrite(options.pdf);
    std::unique_ptr<QPrinter> printer;
    if (pdf.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(options.printer);
        if (info.isNull())
            return fail(options.printer + QStringLiteral(": ") + catalogueText(kMsgNoPrinterContext));
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(600);
        printer->setOutputFileName(pdf);
    }
    if (options.otherPaper)
        printer->setPageSize(*options.otherPaper);
    else if (const std::optional<QPageSize> size = PageSizeFromPaperCode(options.paperCode))
        printer->setPageSize(*size);
    printer->setPageOrientation(options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

    Document doc;
    if (!openDocument(path, doc))
        return 1;
    PrintSettings settings = options.settings;
    // As the dialog's fields do, margins below the printer's unprintable border are raised to it.
    const PrinterMetrics metrics = MetricsOf(*printer);
    if (!metrics.valid())
        return fail((pdf.isEmpty() ? options.printer : options.pdf) + QStringLiteral(": ") + catalogueText(kMsgNoPrinterContext));
    settings.margins = MarginsWithin(settings.margins, MinimumMargins(metrics));
    if (const std::optional<MarginSide> side = MarginNotFitting(metrics, settings.margins)) {
        const bool across = *side == MarginSide::Left || *side == MarginSide::Right;
        const MarginsMm& m = settings.margins;
        return fail(QStringLiteral("--margins: the %1 margin leaves no room on a sheet %2 mm %3 (margins %4,%5,%6,%7)")
                        .arg(marginName(*side))
                        .arg(double(across ? metrics.physWidth : metrics.physHeight) / metrics.dpiX * kMmPerInch, 0,
                             'f', 1)
                        .arg(across ? QStringLiteral("wide") : QStringLiteral("high"))
                        .arg(m.left)
                        .arg(m.right)
                        .arg(m.top)
                        .arg(m.bottom));
    }
    const PageGrid grid = PrintGrid(metrics, doc, settings);
    // Fitting prints one page whatever the range asks for.
    if (settings.rangeKind == PrintRange::Pages && !settings.fitOnePage) {
        // The dialog would not let the from-page lie past the grid; a script is told.
        if (PageWithin(settings.firstPage, grid.count()) != settings.firstPage)
            return fail(QStringLiteral("--pages: the canvas takes %1 pages").arg(grid.count()));
        settings.lastPage = LastPageField(settings.lastPage, settings.firstPage, grid.count());
    }

    const int pages = PrintJobFor(metrics, doc, settings).count();
    if (pages > options.maxPages)
        return fail(QStringLiteral("the job takes %1 pages, more than %2; --max-pages %1 allows it")
                        .arg(pages)
                        .arg(options.maxPages));

    // Interrupted, the job stops between pages and leaves no partial file.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const bool showProgress = ::isatty(STDERR_FILENO) == 1;
    const PageProgress progress = [showProgress](int printed, int total) {
        if (showProgress) {
            std::fprintf(stderr, "\rvqdtool: page %d of %d", printed, total);
            if (printed == total)
                std::fputc('\n', stderr);
        }
        return g_interrupted == 0;
    };

    SysSettings sys;
    sys.dspOverlap = 1;
    const PrintOutcome outcome = PrintCanvas(*printer, doc, sys, RangeMode{}, settings, progress);
    if (g_interrupted != 0) {
        if (showProgress)
            std::fputc('\n', stderr);
        std::fprintf(stderr, "vqdtool: interrupted\n");
        return 130;
    }
    switch (outcome) {
    case PrintOutcome::Printed: break;
    case PrintOutcome::NoMemory: return fail(catalogueText(kMsgOutOfMemory));
    case PrintOutcome::Cancelled:
    case PrintOutcome::NoDevice:
        if (!pdf.isEmpty())
            return fail(options.pdf + QStringLiteral(": ") + catalogueText(kMsgSaveFailed));
        return fail(options.printer + QStringLiteral(": ") + catalogueText(kMsgNoPrinterContext));
    }
    std::printf("%d\n", pages);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Printing draws through Qt's painting, which wants a GUI application; it
    // runs without a display on the offscreen platform.
    const bool printing = argc > 1 && std::strcmp(argv[1], "print") == 0;
    if (printing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app = printing ? std::make_unique<QGuiApplication>(argc, argv)
                                                           : std::make_unique<QCoreApplication>(argc, argv);
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
    if (printing) {
        const auto options = parsePrintOptions(args.mid(3));
        if (!options)
            return usage();
        return printDocument(args.at(2), *options);
    }
    if (command == QLatin1String("extract") && args.size() == 4)
        return extract(args.at(2), args.at(3));
    return usage();
}
