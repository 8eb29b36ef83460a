#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <memory>

namespace vq {

// Small decodes of pictures kept on disk between runs, so a document opened
// again can show every picture at once while the real decodes are made.
//
// Entries live in one folder (mode 0700), one file per picture, named by a
// hash of the picture's encoded bytes. Each file carries a header (magic,
// version, key, picture size, preview size, encoding, payload length and a
// checksum of the header) and a checksum of its payload; an entry that fails
// any check is removed and read as absent. Opaque previews are kept as JPEG,
// previews with transparency as deflated premultiplied ARGB.
//
// The folder is bounded: when the running total passes the budget, entries
// are removed least recently used first (by modification time, which a load
// renews) until the total is at most nine tenths of it, so the folder is
// listed once per tenth of the budget stored rather than on every store.
//
// load() and store() may be called from any number of threads at once, and
// several processes may share the folder: entries are written to a temporary
// file and renamed into place, so a reader sees a whole entry or none. When
// the folder cannot be made or written, nothing is kept and every load finds
// nothing.
class PreviewStore {
public:
    // The longest side of a kept preview; larger ones are scaled down.
    static constexpr int kMaxSide = 512;
    static constexpr std::int64_t kDefaultBudgetBytes = std::int64_t(500) * 1024 * 1024;

    // The program's own store, in "$XDG_CACHE_HOME/velquin/previews" (by
    // default "~/.cache/velquin/previews"). The folder is chosen at the first
    // call; the store lives until the process ends.
    static PreviewStore& instance();
    // A store kept in `folder`, made (mode 0700) when missing.
    explicit PreviewStore(const QString& folder);
    ~PreviewStore();
    PreviewStore(const PreviewStore&) = delete;
    PreviewStore& operator=(const PreviewStore&) = delete;

    // The key of a picture: the SHA-256 hash of its encoded bytes, as 64
    // lowercase hexadecimal digits. 1 to 2 ms a megabyte, far more than a
    // load: make it once per picture and keep it.
    [[nodiscard]] static QByteArray keyFor(const QByteArray& bytes);
    // Readies the hashing library before any thread hashes. Left to itself
    // it tears its state down in an exit handler, under the feet of a worker
    // still hashing as the program leaves; readied here, it leaves its state
    // to the end of the process.
    static void prepareHashing();
    // The size a preview of a picture of `pictureSize` is kept at: the
    // picture's shape within kMaxSide, never larger than the picture.
    [[nodiscard]] static QSize previewSize(QSize pictureSize);

    // The preview kept for `key` of a picture of `pictureSize`, in
    // Format_RGB32 (opaque) or Format_ARGB32_Premultiplied; a null image when
    // there is none, when it was kept for a picture of another size, or when
    // the entry is damaged (it is then removed). Renews the entry's recency.
    [[nodiscard]] QImage load(const QByteArray& key, QSize pictureSize);
    // Keeps `preview` for `key`, replacing what was kept. A preview longer
    // than kMaxSide is first scaled down smoothly to fit. Failures to write
    // are silent: the cache is only ever a shortcut.
    void store(const QByteArray& key, QSize pictureSize, const QImage& preview);

    // The folder in use; empty when it could not be made.
    [[nodiscard]] QString folder() const;
    void setBudgetBytes(std::int64_t bytes);
    [[nodiscard]] std::int64_t budgetBytes() const;
    // The bytes the entries take, as known to this store: counted once from
    // the folder, then kept up to date by its own stores and removals.
    [[nodiscard]] std::int64_t usedBytes() const;
    // Removes every entry.
    void clear();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace vq
