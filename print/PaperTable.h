#pragma once

// The paper codes the print record has always stored ("PaperSize"), numbered
// as the system paper list numbers them, with the names the print dialog shows.

#include <QPageSize>
#include <QString>

#include <optional>

namespace vq {

// The dialog's text for a paper code; "etc." for any code not in the list.
[[nodiscard]] QString PaperName(int code);

// The page size of a code (12 and 13 are the Japanese JIS B4 and B5);
// nothing for a code outside the list.
[[nodiscard]] std::optional<QPageSize> PageSizeFromPaperCode(int code);

// The code of a page size the user picked, by the system number or else by its
// dimensions; 0 when the list has no such paper.
[[nodiscard]] int PaperCodeOf(const QPageSize& size);

} // namespace vq
