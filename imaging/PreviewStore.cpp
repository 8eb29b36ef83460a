#include "imaging/PreviewStore.h"

#include "imaging/JpegEncode.h"
#include "imaging/JpegHeader.h"
#include "imaging/JpegScaledDecode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <zlib.h>

namespace vq {

namespace {

// An entry: this header, then the payload.
//   0  magic "VQPV"          4  version
//   8  key (32 raw bytes)
//  40  picture width        44  picture height
//  48  preview width        52  preview height
//  56  encoding             60  payload length
//  64  payload CRC-32       68  CRC-32 of bytes 0..67
constexpr char kMagic[4] = {'V', 'Q', 'P', 'V'};
constexpr quint32 kVersion = 1;
constexpr int kKeyBytes = 32;
constexpr int kKeyDigits = 2 * kKeyBytes;
constexpr qsizetype kHeaderBytes = 72;
constexpr qsizetype kHeaderCrcAt = 68;

enum Encoding : quint32 {
    kJpeg = 1,
    // Premultiplied ARGB32 rows, deflated: JPEG would lose the transparency.
    kDeflatedArgb = 2,
};

constexpr int kJpegQuality = 90;
// Larger than any picture the program opens; a header claiming more is forged.
constexpr quint32 kMaxPictureSide = 1u << 20;
constexpr qsizetype kMaxRawBytes = qsizetype(PreviewStore::kMaxSide) * PreviewStore::kMaxSide * 4;
// Deflate may grow incompressible data by a little; JPEG at quality 90 stays
// far below the raw size.
constexpr qsizetype kMaxPayloadBytes = kMaxRawBytes + kMaxRawBytes / 16 + 4096;

// Temporary files of writes that never finished (a process that was killed)
// are removed when the folder is listed and they are this old.
constexpr qint64 kStalePartSeconds = 3600;

const char kPartSuffix[] = ".part";

quint32 readU32(const char* at)
{
    return qFromLittleEndian<quint32>(at);
}

void writeU32(char* at, quint32 value)
{
    qToLittleEndian<quint32>(value, at);
}

quint32 crcOf(const char* data, qsizetype size)
{
    return quint32(crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(data), std::size_t(size)));
}

bool isKey(const QByteArray& key)
{
    if (key.size() != kKeyDigits)
        return false;
    return std::all_of(key.begin(), key.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool isKeyName(const char* name)
{
    return std::strlen(name) == std::size_t(kKeyDigits) && isKey(QByteArray(name));
}

bool isPartName(const char* name)
{
    const std::size_t length = std::strlen(name);
    const std::size_t suffix = sizeof(kPartSuffix) - 1;
    return length > suffix && std::strcmp(name + length - suffix, kPartSuffix) == 0;
}

bool isPictureSize(QSize size)
{
    return size.width() > 0 && size.height() > 0 && quint32(size.width()) <= kMaxPictureSide
           && quint32(size.height()) <= kMaxPictureSide;
}

// Makes `folder` (its parents as needed) a folder of this user's alone;
// false when that cannot be done or it is not writable.
bool makePrivateFolder(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid()
           && ((st.st_mode & 0077) == 0 || ::chmod(native.constData(), 0700) == 0) && ::access(native.constData(), W_OK) == 0;
}

QImage inflateArgb(const QByteArray& payload, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.bytesPerLine() != qsizetype(width) * 4)
        return {};
    uLongf length = uLongf(image.sizeInBytes());
    if (uncompress(image.bits(), &length, reinterpret_cast<const Bytef*>(payload.constData()), uLong(payload.size())) != Z_OK
        || qsizetype(length) != image.sizeInBytes())
        return {};
    // A colour above its alpha is no premultiplied pixel; drawing one would
    // overflow the blending arithmetic.
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            const int a = qAlpha(p);
            if (qRed(p) > a || qGreen(p) > a || qBlue(p) > a)
                return {};
        }
    }
    return image;
}

QByteArray deflateArgb(const QImage& image)
{
    const QImage premultiplied = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray rows;
    rows.reserve(premultiplied.width() * premultiplied.height() * 4);
    for (int y = 0; y < premultiplied.height(); ++y)
        rows.append(reinterpret_cast<const char*>(premultiplied.constScanLine(y)), premultiplied.width() * 4);
    QByteArray out(qsizetype(compressBound(uLong(rows.size()))), Qt::Uninitialized);
    uLongf length = uLongf(out.size());
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(rows.constData()),
                  uLong(rows.size()), Z_BEST_SPEED)
        != Z_OK)
        return {};
    out.truncate(qsizetype(length));
    return out;
}

// Moves `size` bytes through `step` (read or write), however many calls it
// takes; false on an error or an early end.
template <typename Data, typename Step>
bool transferAll(int fd, Data* data, qsizetype size, Step step)
{
    while (size > 0) {
        const ssize_t n = step(fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool writeAll(int fd, const char* data, qsizetype size)
{
    return transferAll(fd, data, size, ::write);
}

bool readAll(int fd, char* data, qsizetype size)
{
    return transferAll(fd, data, size, ::read);
}

struct Listed {
    QByteArray path;
    qint64 bytes;
    struct timespec modified;
};

bool olderThan(const Listed& a, const Listed& b)
{
    if (a.modified.tv_sec != b.modified.tv_sec)
        return a.modified.tv_sec < b.modified.tv_sec;
    return a.modified.tv_nsec < b.modified.tv_nsec;
}

} // namespace

struct PreviewStore::Impl {
    QString folder;
    QByteArray native; // with a trailing '/'
    bool usable = false;

    // Guards the figures below; no file work is done while it is held.
    mutable std::mutex mutex;
    std::int64_t budget = kDefaultBudgetBytes;
    mutable std::int64_t used = 0;
    mutable bool counted = false;
    // Held exclusively to list the folder and act on the listing (count,
    // trim, clear); shared by every change that counts what it replaced or
    // removed, so that no change falls between a listing and its count.
    mutable std::shared_mutex listing;
    std::atomic<quint64> nextPart{0};

    QByteArray pathOf(const QByteArray& key) const { return native + key; }

    // The entries in the folder, oldest use first; temporary files of writes
    // long abandoned are removed on the way.
    std::vector<Listed> list() const
    {
        std::vector<Listed> entries;
        DIR* dir = ::opendir(native.constData());
        if (!dir)
            return entries;
        const int dirFd = ::dirfd(dir);
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        while (const dirent* e = ::readdir(dir)) {
            const bool entry = isKeyName(e->d_name);
            if (!entry && !isPartName(e->d_name))
                continue;
            struct stat st {};
            if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
                continue;
            if (!entry) {
                if (now.tv_sec - st.st_mtim.tv_sec > kStalePartSeconds)
                    ::unlinkat(dirFd, e->d_name, 0);
                continue;
            }
            entries.push_back({native + e->d_name, qint64(st.st_size), st.st_mtim});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(), olderThan);
        return entries;
    }

    static std::int64_t totalOf(const std::vector<Listed>& entries)
    {
        std::int64_t total = 0;
        for (const Listed& e : entries)
            total += e.bytes;
        return total;
    }

    void ensureCounted() const
    {
        {
            const std::lock_guard lock(mutex);
            if (counted)
                return;
        }
        const std::lock_guard once(listing);
        {
            const std::lock_guard lock(mutex);
            if (counted)
                return;
        }
        const std::int64_t total = totalOf(list());
        const std::lock_guard lock(mutex);
        used += total;
        counted = true;
    }

    void adjust(std::int64_t delta) const
    {
        const std::lock_guard lock(mutex);
        used = std::max<std::int64_t>(0, used + delta);
    }

    // Brings the folder within the budget when the running total says it is
    // over. The listing is the truth: other processes store and remove too.
    void trimIfOver()
    {
        {
            const std::lock_guard lock(mutex);
            if (used <= budget)
                return;
        }
        const std::unique_lock trimming(listing);
        std::int64_t limit = 0;
        {
            // Another thread may have trimmed while this one waited.
            const std::lock_guard lock(mutex);
            if (used <= budget)
                return;
            limit = budget;
        }
        const std::vector<Listed> entries = list();
        std::int64_t total = totalOf(entries);
        if (total > limit) {
            const std::int64_t target = limit - limit / 10;
            for (const Listed& e : entries) {
                if (total <= target)
                    break;
                if (::unlink(e.path.constData()) == 0 || errno == ENOENT)
                    total -= e.bytes;
            }
        }
        const std::lock_guard lock(mutex);
        used = total;
    }

    // Removes an entry found damaged, unless another writer has replaced it
    // since it was read.
    void discard(const QByteArray& path, const struct stat& read) const
    {
        const std::shared_lock changing(listing);
        struct stat now {};
        if (::lstat(path.constData(), &now) != 0 || now.st_ino != read.st_ino || now.st_dev != read.st_dev)
            return;
        if (::unlink(path.constData()) == 0)
            adjust(-std::int64_t(read.st_size));
    }
};

PreviewStore& PreviewStore::instance()
{
    // Never destroyed: the picture cache's workers may still be loading or
    // storing while the program exits.
    static PreviewStore* const store = new PreviewStore([] {
        QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
        // XDG says a relative path there is to be ignored.
        if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
            cache = QDir::homePath() + QStringLiteral("/.cache");
        const QString own = cache + QStringLiteral("/velquin");
        // The program's folder is private as a whole, not only the previews.
        return makePrivateFolder(own) ? own + QStringLiteral("/previews") : QString();
    }());
    return *store;
}

PreviewStore::PreviewStore(const QString& folder) : d(std::make_unique<Impl>())
{
    if (!folder.isEmpty() && makePrivateFolder(folder)) {
        d->folder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        d->native = QFile::encodeName(d->folder) + '/';
        d->usable = true;
    }
}

PreviewStore::~PreviewStore() = default;

void PreviewStore::prepareHashing()
{
    (void)OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
}

QByteArray PreviewStore::keyFor(const QByteArray& bytes)
{
    // OpenSSL's SHA-256 runs on the processor's SHA instructions where there
    // are any: 3 MB in about 3 ms here, where Qt's own BLAKE2b takes 8 and its
    // SHA-256 40. The key is made for every picture of a document reopened.
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.constData(), std::size_t(bytes.size()), digest, &length, EVP_sha256(), nullptr) != 1
        || length != unsigned(kKeyBytes))
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), kKeyBytes).toHex();
}

QSize PreviewStore::previewSize(QSize pictureSize)
{
    if (pictureSize.isEmpty())
        return {};
    if (pictureSize.width() <= kMaxSide && pictureSize.height() <= kMaxSide)
        return pictureSize;
    const QSize fitted = pictureSize.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio);
    return fitted.expandedTo(QSize(1, 1));
}

QImage PreviewStore::load(const QByteArray& key, QSize pictureSize)
{
    if (!d->usable || !isKey(key) || !isPictureSize(pictureSize))
        return {};
    const QByteArray path = d->pathOf(key);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return {};
    struct stat st {};
    QByteArray bytes;
    bool whole = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= kHeaderBytes
                 && st.st_size <= kHeaderBytes + kMaxPayloadBytes;
    if (whole) {
        bytes = QByteArray(qsizetype(st.st_size), Qt::Uninitialized);
        whole = readAll(fd, bytes.data(), bytes.size());
    }

    QImage preview;
    bool damaged = !whole;
    bool otherPicture = false;
    if (whole) {
        const char* h = bytes.constData();
        const quint32 width = readU32(h + 48), height = readU32(h + 52);
        const quint32 encoding = readU32(h + 56), length = readU32(h + 60);
        damaged = std::memcmp(h, kMagic, sizeof kMagic) != 0 || readU32(h + 4) != kVersion
                  || readU32(h + kHeaderCrcAt) != crcOf(h, kHeaderCrcAt)
                  || QByteArray::fromRawData(h + 8, kKeyBytes) != QByteArray::fromHex(key) || width == 0 || height == 0
                  || width > quint32(kMaxSide) || height > quint32(kMaxSide) || qsizetype(length) != bytes.size() - kHeaderBytes
                  || readU32(h + 64) != crcOf(h + kHeaderBytes, length);
        if (!damaged) {
            otherPicture = readU32(h + 40) != quint32(pictureSize.width()) || readU32(h + 44) != quint32(pictureSize.height());
            if (!otherPicture) {
                const QByteArray payload = bytes.mid(kHeaderBytes);
                // The frame's own size first: a forged one could ask the
                // decoder for far more memory than any preview needs.
                if (encoding == kJpeg && jpegPixelSize(payload) == QSize(int(width), int(height)))
                    preview = DecodeJpegReduced(payload, 1);
                else if (encoding == kDeflatedArgb)
                    preview = inflateArgb(payload, int(width), int(height));
                damaged = preview.isNull() || preview.size() != QSize(int(width), int(height));
            }
        }
    }
    if (!damaged && !otherPicture)
        ::futimens(fd, nullptr);
    ::close(fd);
    if (damaged) {
        d->discard(path, st);
        return {};
    }
    return otherPicture ? QImage() : preview;
}

void PreviewStore::store(const QByteArray& key, QSize pictureSize, const QImage& preview)
{
    if (!d->usable || !isKey(key) || !isPictureSize(pictureSize) || preview.isNull())
        return;
    QImage image = preview;
    if (image.width() > kMaxSide || image.height() > kMaxSide)
        image = image.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (image.isNull())
        return;

    QByteArray payload;
    quint32 encoding = kJpeg;
    // A preview with every pixel fully covered loses nothing as JPEG.
    if (!HasTransparentPixel(image)) {
        payload = EncodeJpeg(image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image, kJpegQuality);
    } else {
        encoding = kDeflatedArgb;
        payload = deflateArgb(image);
    }
    if (payload.isEmpty() || payload.size() > kMaxPayloadBytes)
        return;

    QByteArray entry(kHeaderBytes, '\0');
    char* h = entry.data();
    std::memcpy(h, kMagic, sizeof kMagic);
    writeU32(h + 4, kVersion);
    const QByteArray raw = QByteArray::fromHex(key);
    std::memcpy(h + 8, raw.constData(), kKeyBytes);
    writeU32(h + 40, quint32(pictureSize.width()));
    writeU32(h + 44, quint32(pictureSize.height()));
    writeU32(h + 48, quint32(image.width()));
    writeU32(h + 52, quint32(image.height()));
    writeU32(h + 56, encoding);
    writeU32(h + 60, quint32(payload.size()));
    writeU32(h + 64, crcOf(payload.constData(), payload.size()));
    writeU32(h + kHeaderCrcAt, crcOf(h, kHeaderCrcAt));
    entry.append(payload);

    // Written whole beside its place and renamed in: a reader in this or
    // another process sees the old entry, the new one or none, never a part.
    const QByteArray path = d->pathOf(key);
    const QByteArray part = path + '.' + QByteArray::number(qint64(::getpid())) + '.'
                            + QByteArray::number(d->nextPart.fetch_add(1)) + kPartSuffix;
    const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    const bool written = writeAll(fd, entry.constData(), entry.size());
    if (::close(fd) != 0 || !written) {
        ::unlink(part.constData());
        return;
    }
    // Counted before the new entry lands, so the listing cannot count it twice.
    d->ensureCounted();
    {
        const std::shared_lock changing(d->listing);
        struct stat old {};
        const std::int64_t replaced = ::lstat(path.constData(), &old) == 0 ? std::int64_t(old.st_size) : 0;
        if (::rename(part.constData(), path.constData()) != 0) {
            ::unlink(part.constData());
            return;
        }
        d->adjust(std::int64_t(entry.size()) - replaced);
    }
    d->trimIfOver();
}

QString PreviewStore::folder() const
{
    return d->folder;
}

void PreviewStore::setBudgetBytes(std::int64_t bytes)
{
    {
        const std::lock_guard lock(d->mutex);
        d->budget = std::max<std::int64_t>(0, bytes);
    }
    if (d->usable) {
        d->ensureCounted();
        d->trimIfOver();
    }
}

std::int64_t PreviewStore::budgetBytes() const
{
    const std::lock_guard lock(d->mutex);
    return d->budget;
}

std::int64_t PreviewStore::usedBytes() const
{
    if (!d->usable)
        return 0;
    d->ensureCounted();
    const std::lock_guard lock(d->mutex);
    return d->used;
}

void PreviewStore::clear()
{
    if (!d->usable)
        return;
    const std::unique_lock clearing(d->listing);
    std::int64_t left = 0;
    for (const Listed& e : d->list()) {
        if (::unlink(e.path.constData()) != 0 && errno != ENOENT)
            left += e.bytes;
    }
    const std::lock_guard lock(d->mutex);
    d->used = left;
    d->counted = true;
}

} // namespace vq
