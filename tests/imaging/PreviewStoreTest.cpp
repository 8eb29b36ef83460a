// The previews kept on disk between runs: what comes back, what a damaged
// entry turns into, how the folder stays within its budget, and many threads
// at once.
#include "imaging/PreviewStore.h"
#include "tests/support/Fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {
namespace {

// Soft gradients with a little grain, as a scaled photograph looks.
QImage photoLike(QSize size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 grain = quint32(seed) * 2654435761u + 1;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            grain = grain * 1664525u + 1013904223u;
            const int g = int(grain >> 29) - 4;
            const double u = double(x) / size.width(), v = double(y) / size.height();
            line[x] = qRgb(std::clamp(int(120 + 100 * std::sin(u * 6 + seed)) + g, 0, 255),
                           std::clamp(int(60 + 150 * v) + g, 0, 255),
                           std::clamp(int(128 + 90 * std::cos(v * 5 - u * 3 + seed)) + g, 0, 255));
        }
    }
    return image;
}

// A disc on a transparent ground, edges half covered.
QImage withHoles(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    const double r = std::min(size.width(), size.height()) / 2.0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const double dist = std::hypot(x + 0.5 - size.width() / 2.0, y + 0.5 - size.height() / 2.0);
            const int alpha = dist < r - 1 ? 255 : dist < r ? 128 : 0;
            image.setPixel(x, y, qRgba(200, x % 256, y % 256, alpha));
        }
    return image;
}

// The largest difference of any channel between two images of one size,
// both taken as premultiplied ARGB; 256 for a different size.
int largestDifference(const QImage& a, const QImage& b, double* mean = nullptr)
{
    if (a.size() != b.size())
        return 256;
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int largest = 0;
    double sum = 0;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width(); ++x) {
            const QRgb p = pa.pixel(x, y), q = pb.pixel(x, y);
            for (int shift : {0, 8, 16, 24}) {
                const int diff = std::abs(int((p >> shift) & 0xff) - int((q >> shift) & 0xff));
                largest = std::max(largest, diff);
                sum += diff;
            }
        }
    if (mean)
        *mean = sum / (4.0 * pa.width() * pa.height());
    return largest;
}

QByteArray keyOf(int n)
{
    return PreviewStore::keyFor(QByteArray("picture bytes ") + QByteArray::number(n));
}

class PreviewStoreTest : public ::testing::Test {
protected:
    [[nodiscard]] QString folder() const { return m_root.path() + QStringLiteral("/previews"); }
    [[nodiscard]] QString entryPath(const QByteArray& key) const { return folder() + QLatin1Char('/') + QString::fromLatin1(key); }

    [[nodiscard]] QByteArray entryBytes(const QByteArray& key) const
    {
        QFile file(entryPath(key));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeEntry(const QByteArray& key, const QByteArray& bytes) const
    {
        QFile file(entryPath(key));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    // What the entry files in the folder take.
    [[nodiscard]] qint64 bytesInFolder() const
    {
        qint64 total = 0;
        for (const QFileInfo& info : QDir(folder()).entryInfoList(QDir::Files | QDir::Hidden))
            total += info.size();
        return total;
    }

    QTemporaryDir m_root;
};

// ---------------------------------------------------------------------------
// What comes back.

struct RoundTripCase {
    const char* name;
    std::function<QImage()> preview;
    QSize picture;
    QSize expected;
    int largestError; // any channel, any pixel
    double meanError;
};

class PreviewRoundTripTest : public PreviewStoreTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(PreviewRoundTripTest, GivesBackThePreviewAtItsSize)
{
    const RoundTripCase& c = GetParam();
    const QImage given = c.preview();
    {
        PreviewStore store(folder());
        store.store(keyOf(1), c.picture, given);
    }
    // As the next run finds it.
    PreviewStore store(folder());
    const QImage back = store.load(keyOf(1), c.picture);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), c.expected);
    const QImage reference = given.size() == c.expected
                                 ? given
                                 : given.scaled(c.expected, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double mean = 0;
    EXPECT_LE(largestDifference(back, reference, &mean), c.largestError);
    EXPECT_LE(mean, c.meanError);
    EXPECT_EQ(store.usedBytes(), bytesInFolder());
}

INSTANTIATE_TEST_SUITE_P(
    Previews, PreviewRoundTripTest,
    ::testing::Values(
        RoundTripCase{"photo_at_the_largest_side", [] { return photoLike({512, 384}, 1); }, {4000, 3000}, {512, 384}, 48, 2.5},
        RoundTripCase{"small_picture_kept_as_is", [] { return photoLike({40, 30}, 2); }, {40, 30}, {40, 30}, 48, 3.0},
        RoundTripCase{"larger_preview_scaled_down", [] { return photoLike({1200, 900}, 3); }, {1200, 900}, {512, 384}, 48, 2.5},
        RoundTripCase{"tall_preview_scaled_down", [] { return photoLike({300, 2000}, 4); }, {300, 2000}, {76, 512}, 48, 3.0},
        // JPEG would lose the transparency: kept exactly.
        RoundTripCase{"transparency_exact", [] { return withHoles({200, 150}); }, {200, 150}, {200, 150}, 0, 0.0},
        RoundTripCase{"grey_picture", [] { return photoLike({64, 64}, 5).convertToFormat(QImage::Format_Grayscale8); },
                      {64, 64}, {64, 64}, 48, 3.0}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST(PreviewSizeTest, FitsThePictureWithinTheLargestSide)
{
    const struct {
        QSize picture, expected;
    } cases[] = {{{4000, 3000}, {512, 384}}, {{3000, 4000}, {384, 512}}, {{512, 100}, {512, 100}},
                 {{20, 10}, {20, 10}},       {{100000, 10}, {512, 1}},   {{0, 10}, {}}};
    for (const auto& c : cases)
        EXPECT_EQ(PreviewStore::previewSize(c.picture), c.expected) << c.picture.width() << "x" << c.picture.height();
}

TEST(PreviewKeyTest, IsAHashOfTheBytes)
{
    const QByteArray key = PreviewStore::keyFor(QByteArray("abc"));
    EXPECT_EQ(key.size(), 64);
    EXPECT_EQ(key, PreviewStore::keyFor(QByteArray("abc")));
    EXPECT_NE(key, PreviewStore::keyFor(QByteArray("abd")));
    // SHA-256 of nothing, as published.
    EXPECT_EQ(PreviewStore::keyFor({}), QByteArray("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
}

TEST_F(PreviewStoreTest, FindsNothingForAnotherKeyOrPictureSizeAndKeepsTheEntry)
{
    PreviewStore store(folder());
    store.store(keyOf(1), {4000, 3000}, photoLike({512, 384}, 1));
    const struct {
        const char* name;
        QByteArray key;
        QSize picture;
    } misses[] = {
        {"another key", keyOf(2), {4000, 3000}},
        {"another picture size", keyOf(1), {3000, 4000}},
        {"no picture size", keyOf(1), {}},
        {"upper-case key", keyOf(1).toUpper(), {4000, 3000}},
        {"a path for a key", QByteArray("../") + keyOf(1).left(61), {4000, 3000}},
        {"empty key", QByteArray(), {4000, 3000}},
    };
    for (const auto& m : misses)
        EXPECT_TRUE(store.load(m.key, m.picture).isNull()) << m.name;
    EXPECT_FALSE(store.load(keyOf(1), {4000, 3000}).isNull()) << "a miss leaves the entry alone";
}

TEST_F(PreviewStoreTest, KeepsItsFolderPrivate)
{
    PreviewStore store(folder());
    EXPECT_EQ(store.folder(), folder());
    store.store(keyOf(1), {64, 48}, photoLike({64, 48}, 1));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(entryPath(keyOf(1))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
}

// ---------------------------------------------------------------------------
// Damaged entries.

constexpr qsizetype kHeader = 72;

// Sets a header field and makes the header's own checksum agree, as a forger would.
QByteArray forged(QByteArray entry, int offset, quint32 value)
{
    qToLittleEndian<quint32>(value, entry.data() + offset);
    qToLittleEndian<quint32>(test::crc32Of(entry.left(68)), entry.data() + 68);
    return entry;
}

QByteArray flipped(QByteArray entry, qsizetype offset)
{
    entry[offset] = char(entry[offset] ^ 0x10);
    return entry;
}

struct DamageCase {
    const char* name;
    std::function<QByteArray(const QByteArray& entry)> damage;
};

class PreviewDamageTest : public PreviewStoreTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(PreviewDamageTest, IsIgnoredAndRemoved)
{
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "deflated" : "jpeg");
        PreviewStore store(folder());
        store.clear();
        const QImage preview = transparent ? withHoles({120, 90}) : photoLike({120, 90}, 7);
        store.store(keyOf(1), {1200, 900}, preview);
        store.store(keyOf(2), {1200, 900}, preview);
        const QByteArray whole = entryBytes(keyOf(1));
        ASSERT_GT(whole.size(), kHeader);
        writeEntry(keyOf(1), GetParam().damage(whole));

        EXPECT_TRUE(store.load(keyOf(1), {1200, 900}).isNull());
        EXPECT_FALSE(QFile::exists(entryPath(keyOf(1))));
        EXPECT_FALSE(store.load(keyOf(2), {1200, 900}).isNull()) << "the other entry stays";
        // A fresh store counts what the folder holds.
        EXPECT_EQ(PreviewStore(folder()).usedBytes(), bytesInFolder());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, PreviewDamageTest,
    ::testing::Values(
        DamageCase{"zero_length", [](const QByteArray&) { return QByteArray(); }},
        DamageCase{"header_cut", [](const QByteArray& e) { return e.left(kHeader - 1); }},
        DamageCase{"header_only", [](const QByteArray& e) { return e.left(kHeader); }},
        DamageCase{"payload_cut", [](const QByteArray& e) { return e.left(e.size() - 100); }},
        DamageCase{"last_byte_cut", [](const QByteArray& e) { return e.chopped(1); }},
        DamageCase{"bytes_added", [](const QByteArray& e) { return e + QByteArray(5, 'x'); }},
        DamageCase{"magic_flipped", [](const QByteArray& e) { return flipped(e, 1); }},
        DamageCase{"width_flipped", [](const QByteArray& e) { return flipped(e, 48); }},
        DamageCase{"payload_flipped", [](const QByteArray& e) { return flipped(e, kHeader + 300); }},
        DamageCase{"last_byte_flipped", [](const QByteArray& e) { return flipped(e, e.size() - 1); }},
        DamageCase{"huge_length_claimed", [](const QByteArray& e) { return forged(e, 60, 0xfffffff0u); }},
        DamageCase{"huge_width_claimed", [](const QByteArray& e) { return forged(e, 48, 0x7fffffffu); }},
        DamageCase{"preview_size_not_the_decoded_one", [](const QByteArray& e) { return forged(e, 52, 91); }},
        DamageCase{"unknown_encoding", [](const QByteArray& e) { return forged(e, 56, 9); }},
        DamageCase{"newer_version", [](const QByteArray& e) { return forged(e, 4, 2); }},
        DamageCase{"another_pictures_entry", [](const QByteArray& e) { return forged(e, 8, 0x01020304u); }},
        DamageCase{"noise", [](const QByteArray& e) {
                       QByteArray noise(e.size(), '\0');
                       for (qsizetype i = 0; i < noise.size(); ++i)
                           noise[i] = char((i * 7919) >> 3);
                       return noise;
                   }}),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The budget.

void setAge(const QString& path, int secondsAgo)
{
    const struct timespec now = [] {
        struct timespec t {};
        ::clock_gettime(CLOCK_REALTIME, &t);
        return t;
    }();
    const struct timespec times[2] = {{now.tv_sec - secondsAgo, 0}, {now.tv_sec - secondsAgo, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

TEST_F(PreviewStoreTest, TrimsLeastRecentlyUsedFirstToWithinTheBudget)
{
    PreviewStore store(folder());
    // Stored in this order, long ago; then the oldest is loaded again.
    for (int n = 0; n < 5; ++n) {
        store.store(keyOf(n), {512, 384}, photoLike({512, 384}, n));
        setAge(entryPath(keyOf(n)), 500 - 100 * n);
    }
    ASSERT_FALSE(store.load(keyOf(0), {512, 384}).isNull());
    const qint64 five = bytesInFolder();
    ASSERT_EQ(store.usedBytes(), five);

    // Room for about five and a half: the sixth brings the folder over.
    const std::int64_t budget = five + five / 10;
    store.setBudgetBytes(budget);
    EXPECT_EQ(bytesInFolder(), five) << "within the budget nothing goes";
    store.store(keyOf(5), {512, 384}, photoLike({512, 384}, 5));

    const int recency[] = {1, 2, 3, 4, 0, 5}; // least recently used first
    bool kept = false;
    int removed = 0;
    for (const int n : recency) {
        const bool exists = QFile::exists(entryPath(keyOf(n)));
        if (exists)
            kept = true;
        else
            ++removed;
        EXPECT_TRUE(exists || !kept) << "entry " << n << " went while a less recently used one stayed";
    }
    EXPECT_GE(removed, 1);
    EXPECT_TRUE(QFile::exists(entryPath(keyOf(0)))) << "the one loaded again stays";
    EXPECT_TRUE(QFile::exists(entryPath(keyOf(5))));
    EXPECT_LE(bytesInFolder(), budget - budget / 10);
    EXPECT_EQ(store.usedBytes(), bytesInFolder());

    // A smaller budget trims at once.
    store.setBudgetBytes(1);
    EXPECT_EQ(bytesInFolder(), 0);
    EXPECT_EQ(store.usedBytes(), 0);
}

TEST_F(PreviewStoreTest, ClearRemovesEveryEntry)
{
    PreviewStore store(folder());
    for (int n = 0; n < 3; ++n)
        store.store(keyOf(n), {256, 256}, photoLike({256, 256}, n));
    ASSERT_GT(store.usedBytes(), 0);
    store.clear();
    EXPECT_EQ(store.usedBytes(), 0);
    EXPECT_EQ(bytesInFolder(), 0);
    for (int n = 0; n < 3; ++n)
        EXPECT_TRUE(store.load(keyOf(n), {256, 256}).isNull());
    store.store(keyOf(9), {256, 256}, photoLike({256, 256}, 9));
    EXPECT_FALSE(store.load(keyOf(9), {256, 256}).isNull()) << "usable after clearing";
}

// ---------------------------------------------------------------------------
// A folder that cannot be used.

void expectNoCache(PreviewStore& store)
{
    store.store(keyOf(1), {64, 64}, photoLike({64, 64}, 1));
    EXPECT_TRUE(store.load(keyOf(1), {64, 64}).isNull());
    EXPECT_EQ(store.usedBytes(), 0);
    store.setBudgetBytes(10);
    store.clear();
}

TEST_F(PreviewStoreTest, KeepsNothingWhereNoFolderCanBeMade)
{
    // A file where a parent folder should be: refused even to root.
    const QString blocker = m_root.path() + QStringLiteral("/file");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    PreviewStore store(blocker + QStringLiteral("/velquin/previews"));
    EXPECT_TRUE(store.folder().isEmpty());
    expectNoCache(store);
}

TEST_F(PreviewStoreTest, KeepsNothingInAReadOnlyFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_EQ(::chmod(QFile::encodeName(folder()).constData(), 0500), 0);
    PreviewStore store(folder());
    expectNoCache(store);
    ::chmod(QFile::encodeName(folder()).constData(), 0700);
}

// ---------------------------------------------------------------------------
// Several threads at once.

TEST_F(PreviewStoreTest, ManyThreadsStoreAndLoadWholeEntries)
{
    PreviewStore store(folder());
    constexpr int kKeys = 12;
    std::vector<QImage> previews;
    for (int n = 0; n < kKeys; ++n) {
        // A flat colour per key: any mix-up or torn entry shows.
        QImage image(96, 64, QImage::Format_RGB32);
        image.fill(qRgb(20 * n, 255 - 20 * n, (n * 97) % 256));
        previews.push_back(image);
    }
    // Small enough that trimming runs while others read and write.
    store.setBudgetBytes(6 * 1200);

    std::atomic<int> wrong{0}, found{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                const int n = (i * 5 + t * 3) % kKeys;
                if ((i + t) % 3 == 0) {
                    store.store(keyOf(n), {960, 640}, previews[std::size_t(n)]);
                } else {
                    const QImage back = store.load(keyOf(n), {960, 640});
                    if (back.isNull())
                        continue;
                    ++found;
                    if (largestDifference(back, previews[std::size_t(n)]) > 8)
                        ++wrong;
                }
                if (t == 0 && i % 100 == 99)
                    store.clear();
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GT(found.load(), 0);
    EXPECT_TRUE(QDir(folder()).entryList({QStringLiteral("*.part")}, QDir::Files).isEmpty());
    EXPECT_LE(bytesInFolder(), store.budgetBytes());
}

} // namespace
} // namespace vq
