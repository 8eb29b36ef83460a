#include "print/PaperTable.h"

#include <QSizeF>

#include <array>
#include <cmath>

namespace vq {

namespace {

struct Paper {
    const char* name;
    double widthMm;
    double heightMm;
};

constexpr double in(double inches)
{
    return inches * 25.4;
}

// Index = code - 1.
constexpr std::array<Paper, 41> kPapers{{
    {"Letter, 81/2x11inch", in(8.5), in(11)},
    {"LetterSmall, 81/2x11inch", in(8.5), in(11)},
    {"Tabloid, 11x17inch", in(11), in(17)},
    {"Ledger, 17x11inch", in(17), in(11)},
    {"Legal, 81/2x14inch", in(8.5), in(14)},
    {"Statement, 51/2x81/2inch", in(5.5), in(8.5)},
    {"Executive, 71/4x101/2inch", in(7.25), in(10.5)},
    {"A3Sheet, 297x420mm", 297, 420},
    {"A4Sheet, 210x297mm", 210, 297},
    {"A4smallSheet, 210x297mm", 210, 297},
    {"A5Sheet, 148x210mm", 148, 210},
    {"B4Sheet, 250x354mm", 257, 364},
    {"B5Sheet, 182x257mm", 182, 257},
    {"Folio, 81/2x13inch", in(8.5), in(13)},
    {"Quarto, 215x275mm", 215, 275},
    {"10x14inchSheet", in(10), in(14)},
    {"11x17inchSheet", in(11), in(17)},
    {"Note, 81/2x11inch", in(8.5), in(11)},
    {"#9Envelope, 37/8x87/8inch", in(3.875), in(8.875)},
    {"#10Envelope, 41/8x91/2inch", in(4.125), in(9.5)},
    {"#11Envelope, 41/2x103/8inch", in(4.5), in(10.375)},
    {"#12Envelope, 43/4x11inch", in(4.75), in(11)},
    {"#14Envelope, 5x111/2inch", in(5), in(11.5)},
    {"CSheet, 17x22inch", in(17), in(22)},
    {"DSheet, 22x34inch", in(22), in(34)},
    {"ESheet, 34x44inch", in(34), in(44)},
    {"DLEnvelope, 110x220mm", 110, 220},
    {"C5Envelope, 162x229mm", 162, 229},
    {"C3Envelope, 324x458mm", 324, 458},
    {"C4Envelope, 229x324mm", 229, 324},
    {"C6Envelope, 114x162mm", 114, 162},
    {"C65Envelope, 114x229mm", 114, 229},
    {"B4Envelope, 250x353mm", 250, 353},
    {"B5Envelope, 176x250mm", 176, 250},
    {"B6Envelope, 176x125mm", 176, 125},
    {"ItalyEnvelope, 110x230mm", 110, 230},
    {"MonarchEnvelope, 37/8x71/2inch", in(3.875), in(7.5)},
    {"63/4Envelope, 35/8x61/2inch", in(3.625), in(6.5)},
    {"USStdFanfold, 147/8x11inch", in(14.875), in(11)},
    {"GermanStdFanfold, 81/2x12inch", in(8.5), in(12)},
    {"GermanLegalFanfold, 81/2x13inch", in(8.5), in(13)},
}};

const Paper* paperFor(int code)
{
    if (code < 1 || code > int(kPapers.size()))
        return nullptr;
    return &kPapers[std::size_t(code - 1)];
}

} // namespace

QString PaperName(int code)
{
    const Paper* paper = paperFor(code);
    return paper ? QString::fromLatin1(paper->name) : QStringLiteral("etc.");
}

std::optional<QPageSize> PageSizeFromPaperCode(int code)
{
    const Paper* paper = paperFor(code);
    if (!paper)
        return std::nullopt;
    // Qt's own size where it knows the code (so drivers see a named paper);
    // the listed dimensions otherwise.
    const QPageSize known(QPageSize::id(code));
    if (known.isValid() && known.windowsId() == code)
        return known;
    return QPageSize(QSizeF(paper->widthMm, paper->heightMm), QPageSize::Millimeter, QString::fromLatin1(paper->name),
                     QPageSize::ExactMatch);
}

int PaperCodeOf(const QPageSize& size)
{
    if (!size.isValid())
        return 0;
    const int system = size.windowsId();
    if (paperFor(system))
        return system;
    const QSizeF mm = size.size(QPageSize::Millimeter);
    constexpr double kTolerance = 0.6;
    for (int code = 1; code <= int(kPapers.size()); ++code) {
        const Paper& p = kPapers[std::size_t(code - 1)];
        if (std::abs(mm.width() - p.widthMm) < kTolerance && std::abs(mm.height() - p.heightMm) < kTolerance)
            return code;
    }
    return 0;
}

const std::vector<PdfPaper>& PdfPapers()
{
    static const std::vector<PdfPaper> papers{
        {"a3", "A3 (297 × 420 mm)", 297, 420},
        {"a4", "A4 (210 × 297 mm)", 210, 297},
        {"a5", "A5 (148 × 210 mm)", 148, 210},
        {"b4", "B4 (257 × 364 mm)", 257, 364},
        {"b5", "B5 (182 × 257 mm)", 182, 257},
        {"l", "L判 (89 × 127 mm)", 89, 127},
        {"2l", "2L判 (127 × 178 mm)", 127, 178},
        {"hagaki", "はがき (100 × 148 mm)", 100, 148},
        {"a3nobi", "A3ノビ (329 × 483 mm)", 329, 483},
    };
    return papers;
}

QPageSize PdfPaperSize(const PdfPaper& paper)
{
    // Qt's own size where it has one, so a PDF reader names the paper.
    const QSizeF mm(paper.widthMm, paper.heightMm);
    const QPageSize::PageSizeId id = QPageSize::id(mm, QPageSize::Millimeter, QPageSize::ExactMatch);
    if (id != QPageSize::Custom)
        return QPageSize(id);
    return QPageSize(mm, QPageSize::Millimeter, QString::fromUtf8(paper.name), QPageSize::ExactMatch);
}

int PdfPaperIndexOf(const QPageSize& size)
{
    if (!size.isValid())
        return -1;
    const QSizeF mm = size.size(QPageSize::Millimeter);
    constexpr double kTolerance = 0.6;
    const std::vector<PdfPaper>& papers = PdfPapers();
    for (std::size_t i = 0; i < papers.size(); ++i) {
        const PdfPaper& p = papers[i];
        const bool upright = std::abs(mm.width() - p.widthMm) < kTolerance && std::abs(mm.height() - p.heightMm) < kTolerance;
        const bool turned = std::abs(mm.width() - p.heightMm) < kTolerance && std::abs(mm.height() - p.widthMm) < kTolerance;
        if (upright || turned)
            return int(i);
    }
    return -1;
}

std::optional<QPageSize> PaperFromName(const QString& name)
{
    for (const PdfPaper& paper : PdfPapers())
        if (name.compare(QLatin1String(paper.key), Qt::CaseInsensitive) == 0)
            return PdfPaperSize(paper);
    bool ok = false;
    const int code = name.toInt(&ok);
    return ok ? PageSizeFromPaperCode(code) : std::nullopt;
}

} // namespace vq
