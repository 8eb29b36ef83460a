#include "edit/UrlDrop.h"

#include "imaging/Clipboard.h"
#include "model/Cp932.h"
#include "base/TextUtil.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <array>
#include <initializer_list>

namespace vq {

namespace {

// Positions found in the lower-cased copy must hold in the original, so only
// ASCII letters change (QString::toLower may change a text's length).
QString asciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return out;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    // Lower-case hex is decoded the same way: browsers write either.
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The byte of the two characters after position `at`, or -1.
int hexByte(const QString& text, qsizetype at)
{
    if (at + 2 >= text.size())
        return -1;
    const int hi = hexDigit(text.at(at + 1));
    const int lo = hexDigit(text.at(at + 2));
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// A whole escape "%XX" at `at`, or -1.
int escapeAt(const QString& text, qsizetype at)
{
    if (at >= text.size() || text.at(at) != QLatin1Char('%'))
        return -1;
    return hexByte(text, at);
}

bool isShiftJisLead(int byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFE);
}

QByteArray bytesOf(std::initializer_list<int> bytes)
{
    QByteArray raw;
    for (int b : bytes)
        raw += static_cast<char>(b);
    return raw;
}

// What the bytes say once read as Shift-JIS, the code page the address
// was handed on in.
QString fromShiftJis(std::initializer_list<int> bytes)
{
    return fromCp932(bytesOf(bytes));
}

// A UTF-8 character as it comes out of Shift-JIS: a space when it has no
// Shift-JIS form, else the character that form reads back as.
QString utf8ThroughShiftJis(int b1, int b2, int b3)
{
    const QString wide = QString::fromUtf8(bytesOf({b1, b2, b3}));
    const QByteArray sjis = toCp932(wide);
    // The converter writes "?" for what it cannot convert; the character
    // itself can never be "?" since it took three bytes.
    if (wide.size() != 1 || wide.at(0) == QChar(0xFFFD) || sjis == "?")
        return QStringLiteral(" ");
    return fromCp932(sjis);
}

const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");

// Start of the last web address in `lower`. The walk is bounded as it always
// was: past 100 hits the 100th counts.
qsizetype lastWebAddressStart(const QString& lower)
{
    qsizetype found = -1;
    qsizetype from = 0;
    for (int round = 0; round < 100; ++round) {
        const qsizetype a = lower.indexOf(kHttp, from);
        const qsizetype b = lower.indexOf(kHttps, from);
        const qsizetype hit = a < 0 ? b : (b < 0 ? a : std::min(a, b));
        if (hit < 0)
            break;
        found = hit;
        from = hit + 1;
    }
    return found;
}

QString typeForExtension(const QString& ext)
{
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return QStringLiteral("jpeg");
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return QStringLiteral("tiff");
    if (ext == QLatin1String("heic"))
        return QStringLiteral("heif");
    return ext;
}

} // namespace

QString DecodeUrl(const QString& text)
{
    QString out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype left = n - i;
        if (left < 3)
            return {};
        if (text.at(i + 1) == QLatin1Char('e') && text.at(i + 2) == QLatin1Char('3')) {
            if (left < 9)
                return {};
            const int b2 = escapeAt(text, i + 3);
            const int b3 = escapeAt(text, i + 6);
            if (b2 < 0 || b3 < 0)
                return {};
            out += utf8ThroughShiftJis(0xE3, b2, b3);
            i += 9;
            continue;
        }
        const int byte = hexByte(text, i);
        if (byte < 0) {
            // Not an escape at all ("100%"): the sign stays as written.
            out += c;
            ++i;
            continue;
        }
        if (byte == 0) {
            // The decoded address was a C string; nothing after a NUL was
            // ever part of it.
            return out;
        }
        if (isShiftJisLead(byte)) {
            if (left < 6 || text.at(i + 3) != QLatin1Char('%'))
                return {};
            const int trail = escapeAt(text, i + 3);
            if (trail < 0)
                return {};
            out += fromShiftJis({byte, trail});
            i += 6;
            continue;
        }
        out += byte < 0x80 ? QString(QChar(byte)) : fromShiftJis({byte});
        i += 3;
    }
    return out;
}

QString FindEmbeddedImageUrl(const QString& url, const QString& ext)
{
    const QString needle = QLatin1Char('.') + asciiLower(ext);
    QString text = url;
    for (;;) {
        const QString lower = asciiLower(text);
        const qsizetype at = lower.indexOf(needle);
        if (at < 0)
            return {};
        const qsizetype end = at + needle.size();
        const qsizetype start = lastWebAddressStart(lower.left(end));
        if (start < 0)
            return {};
        const QString found = text.mid(start, end - start);
        if (!found.contains(QLatin1Char('%')))
            return found;
        const QString decoded = DecodeUrl(found);
        // Decoding never lengthens a text; an unchanged one holds only stray
        // "%" signs and would decode the same way forever.
        if (decoded == found)
            return found;
        text = decoded;
    }
}

UrlImage ImageTypeFromUrl(const QString& url)
{
    const QString lower = asciiLower(url);
    static const std::array<std::pair<const char*, const char*>, 11> endings{{
        {".jpeg", "jpeg"}, {".tiff", "tiff"},
        {".jpg", "jpeg"}, {".gif", "gif"}, {".bmp", "bmp"}, {".png", "png"}, {".tif", "tiff"},
        {".webp", "webp"}, {".heic", "heif"}, {".heif", "heif"}, {".avif", "avif"},
    }};
    for (const auto& [ending, type] : endings) {
        if (lower.endsWith(QLatin1String(ending)))
            return {url, QString::fromLatin1(type)};
    }
    static const std::array<const char*, 11> embedded{"jpeg", "jpg", "gif", "bmp", "png", "tiff", "tif",
                                                      "webp", "heic", "heif", "avif"};
    for (const char* ext : embedded) {
        const QString found = FindEmbeddedImageUrl(url, QString::fromLatin1(ext));
        if (!found.isEmpty())
            return {found, typeForExtension(QString::fromLatin1(ext))};
    }
    return {url, {}};
}

QList<ImageFile> AcceptedImageFiles(const QStringList& paths, bool firstOnly)
{
    QList<ImageFile> accepted;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        // Regular files only: a dropped pipe or device named ".png" would
        // hang or flood the loader.
        if (!info.isFile())
            continue;
        const QString type = AddableImageTypeFromPath(path);
        if (type.isEmpty())
            continue;
        accepted.append({path, type});
        if (firstOnly)
            break;
    }
    return accepted;
}

QString DroppedUrlText(const QMimeData& data)
{
    const QList<QByteArray> lines = data.data(QStringLiteral("text/uri-list")).split('\n');
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        // The raw line, not QUrl's form of it: QUrl rewrites escapes in upper
        // case, and the lower-case "%e3" means something to the decoder.
        const QString text = QString::fromUtf8(line);
        if (QUrl(text).scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            return text;
    }
    return {};
}

QStringList DroppedLocalFiles(const QMimeData& data)
{
    QStringList files;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        // A file on another machine would be read as a local path here.
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            continue;
        QUrl local = url;
        local.setHost(QString());
        files << local.toLocalFile();
    }
    return files;
}

DropDecision DropHandler::OnDrop(const QMimeData& data, bool onNode)
{
    // Every drop arrives here first, so a guard still set belongs to an
    // earlier drop whose file notification never came; it must not swallow
    // this one.
    m_pendingDropText.clear();

    DropDecision decision;
    const QString urlText = DroppedUrlText(data);
    if (!urlText.isEmpty()) {
        m_pendingDropText = urlText;
        const UrlImage found = ImageTypeFromUrl(urlText);
        if (!found.type.isEmpty()) {
            decision.kind = DropKind::Url;
            decision.url = found.url.contains(QLatin1Char('%')) ? DecodeUrl(found.url) : found.url;
            decision.type = found.type;
            return decision;
        }
    }
    if (MimeOffersImage(data)) {
        decision.image = UprightImageFromMime(data);
        if (!decision.image.isNull()) {
            decision.kind = DropKind::Image;
            decision.source = urlText;
            return decision;
        }
    }
    const QStringList files = DroppedLocalFiles(data);
    if (!files.isEmpty()) {
        m_pendingDropText = urlText;
        decision.files = OnDropFiles(files, onNode);
        if (decision.files.handled)
            decision.kind = DropKind::Files;
    }
    return decision;
}

FileDrop DropHandler::OnDropFiles(const QStringList& paths, bool onNode)
{
    if (!m_pendingDropText.isEmpty()) {
        m_pendingDropText.clear();
        return {};
    }
    if (paths.isEmpty())
        return {};
    QStringList considered = paths;
    std::optional<Report> tooMany;
    if (paths.size() > kMaxFilesAtOnce - 1) {
        tooMany = Report{kMsgTooManyAtOnce, QStringLiteral("最大 %1 個\n").arg(kMaxFilesAtOnce), kStyleInfo};
        considered = paths.mid(0, kMaxFilesAtOnce);
    }
    return {true, AcceptedImageFiles(considered, onNode), tooMany};
}

} // namespace vq
