#include "base/TextUtil.h"

namespace vq {

QString ImageTypeFromPath(const QString& path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const QString ext = path.mid(dot + 1).toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return QStringLiteral("jpeg");
    if (ext == QLatin1String("gif") || ext == QLatin1String("bmp") || ext == QLatin1String("png"))
        return ext;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return QStringLiteral("tiff");
    return {};
}

QString AddableImageTypeFromPath(const QString& path)
{
    const QString type = ImageTypeFromPath(path);
    if (!type.isEmpty())
        return type;
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return {};
    const QString ext = path.mid(dot + 1).toLower();
    if (ext == QLatin1String("webp") || ext == QLatin1String("avif"))
        return ext;
    if (ext == QLatin1String("heic") || ext == QLatin1String("heif"))
        return QStringLiteral("heif");
    return {};
}

QString FormatThousands(const QString& digits)
{
    const int n = digits.size();
    if (n < 4 || n > 9)
        return digits;
    QString out = digits;
    out.insert(n - 3, QLatin1Char(','));
    if (n >= 7)
        out.insert(n - 6, QLatin1Char(','));
    return out;
}

QString FolderOf(const QString& path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

} // namespace vq
