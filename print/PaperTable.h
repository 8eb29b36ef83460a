#pragma once

// The paper codes the print record has always stored ("PaperSize"), numbered
// as the system paper list numbers them, with the names the print dialog shows.

#include <QPageSize>
#include <QString>

#include <optional>
#include <vector>

namespace vq {

// The dialog's text for a paper code; "etc." for any code not in the list.
[[nodiscard]] QString PaperName(int code);

// The page size of a code (12 and 13 are the Japanese JIS B4 and B5);
// nothing for a code outside the list.
[[nodiscard]] std::optional<QPageSize> PageSizeFromPaperCode(int code);

// The code of a page size the user picked, by the system number or else by its
// dimensions; 0 when the list has no such paper.
[[nodiscard]] int PaperCodeOf(const QPageSize& size);

// The papers a PDF file can be printed on besides the printer's own list:
// A- and JIS B-sizes, the Japanese photo and postcard sizes and A3 Nobi.
struct PdfPaper {
    const char* key;  // the name a script gives, case ignored
    const char* name; // UTF-8, as the dialog shows it
    double widthMm;
    double heightMm;
};
[[nodiscard]] const std::vector<PdfPaper>& PdfPapers();
[[nodiscard]] QPageSize PdfPaperSize(const PdfPaper& paper);
// The PDF paper of that size, either way round; -1 when none is.
[[nodiscard]] int PdfPaperIndexOf(const QPageSize& size);
// The paper a script names: a PDF paper's key or a code of the list above.
[[nodiscard]] std::optional<QPageSize> PaperFromName(const QString& name);

} // namespace vq
