// Feeds arbitrary text to the helpers that take dropped addresses apart:
// percent-decoding as browsers wrote it, the image address a search result
// embeds, and the type an address ends in.
#include "fuzz/FuzzSupport.h"
#include "edit/UrlDrop.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The first byte picks an extension, as the drop handler tries each.
    static const char* const kExtensions[] = {"jpeg", "jpg", "gif", "bmp", "png", "tif", "tiff"};
    if (size == 0)
        return 0;
    const QString ext = QString::fromLatin1(kExtensions[data[0] % 7]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const QString decoded = vq::DecodeUrl(text);
    // Decoding never makes text longer than its escapes allow.
    vq::fuzz::check(decoded.size() <= text.size());

    const QString embedded = vq::FindEmbeddedImageUrl(text, ext);
    // Schemes compare without case, as browsers treat them.
    if (!embedded.isEmpty())
        vq::fuzz::check(embedded.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
              || embedded.startsWith(QLatin1String("https://"), Qt::CaseInsensitive));

    const vq::UrlImage image = vq::ImageTypeFromUrl(text);
    if (!image.type.isEmpty()) {
        static const char* const kTypes[] = {"jpeg", "gif", "bmp", "png", "tiff"};
        bool known = false;
        for (const char* t : kTypes)
            known = known || image.type == QLatin1String(t);
        vq::fuzz::check(known);
    }
    return 0;
}
