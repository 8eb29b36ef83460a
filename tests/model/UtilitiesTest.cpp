#include "base/Settings.h"
#include "base/TextUtil.h"
#include "model/WorkFolder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <limits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {
namespace {

TEST(ImageTypeFromPath, Table)
{
    const struct {
        const char* path;
        const char* type;
    } cases[] = {
        {"a.JPG", "jpeg"}, {"a.jpeg", "jpeg"}, {"b.Tif", "tiff"}, {"b.tiff", "tiff"}, {"c.gif", "gif"},
        {"c.BMP", "bmp"},  {"d.png", "png"},   {"e.jpe", ""},     {"noext", ""},      {"dir.v1/file", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageTypeFromPath(QString::fromLatin1(c.path)), QString::fromLatin1(c.type)) << c.path;
}

TEST(FormatThousands, Table)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"999", "999"},         {"1234", "1,234"},           {"123456", "123,456"},
        {"1234567", "1,234,567"}, {"123456789", "123,456,789"}, {"1234567890", "1234567890"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatThousands(QString::fromLatin1(c.in)), QString::fromLatin1(c.out));
}

class UtilitiesTest : public test::IsolatedTest {};

TEST(MessageCatalogue, KeepsStringsNoOperationShows)
{
    EXPECT_EQ(messageText(30065), QStringLiteral("256色以内に減色しました"));
    EXPECT_TRUE(messageText(30087).has_value());
}

TEST(MessageCatalogue, HoldsTheVersionHistory)
{
    const struct {
        int id;
        const char* version;
    } lines[] = {{30200, "Ver. 1.00 "}, {30201, "Ver. 1.01 "}, {30202, "Ver. 1.02 "}};
    for (const auto& line : lines) {
        const auto text = messageText(line.id);
        ASSERT_TRUE(text.has_value()) << line.id;
        EXPECT_TRUE(text->startsWith(QLatin1String(line.version))) << line.id;
        // Each line says what changed, beyond its number and date.
        EXPECT_GT(text->trimmed().size(), 22) << line.id;
    }
}

TEST_F(UtilitiesTest, SettingsDefaultsAndMargins)
{
    Settings settings;
    EXPECT_TRUE(settings.fileName().startsWith(configDir()));
    SysSettings sys;
    sys.read(settings);
    EXPECT_EQ(sys.playAnime, 3);
    EXPECT_EQ(sys.dspOverlap, 1);
    EXPECT_EQ(sys.snap, 1);
    EXPECT_FLOAT_EQ(sys.multiMarginX, 0.010f);
    settings.setValue(keys::MultiMaX, 25);
    sys.read(settings);
    EXPECT_FLOAT_EQ(sys.multiMarginX, 0.025f);
    // Written back in thousandths, rounded to the nearest.
    sys.multiMarginY = 0.0379f;
    sys.write(settings);
    EXPECT_EQ(settings.value(keys::MultiMaY), 38);
    EXPECT_EQ(settings.value(keys::PaperSize), 9);
    EXPECT_EQ(settings.value(keys::ApplicationLook), 216);
}

TEST_F(UtilitiesTest, MarginsSurviveEveryWriteAndReadUnchanged)
{
    // The default of 10 once shrank by a thousandth at every exit; no stored
    // value may drift through the float kept in memory.
    Settings settings;
    SysSettings sys;
    for (int stored = 0; stored <= 50000; ++stored) {
        settings.setValue(keys::MultiMaX, stored);
        settings.setValue(keys::MultiMaY, 50000 - stored);
        sys.read(settings);
        sys.write(settings);
        ASSERT_EQ(settings.value(keys::MultiMaX), stored);
        ASSERT_EQ(settings.value(keys::MultiMaY), 50000 - stored);
    }
}

TEST(MarginThousandths, RoundsToTheNearestAndStaysInRange)
{
    const struct {
        float margin;
        int thousandths;
    } cases[] = {
        {0.010f, 10},    {0.0099f, 10},  {0.0094f, 9},      {0.0f, 0},           {-0.010f, -10},
        {50.0f, 50000},  {1e12f, std::numeric_limits<int>::max()}, {-1e12f, std::numeric_limits<int>::min()},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarginToThousandths(c.margin), c.thousandths) << c.margin;
    EXPECT_EQ(MarginFromThousandths(10), 0.010f);
}

TEST_F(UtilitiesTest, RecentFilesKeepSixteenNewestFirst)
{
    Settings settings;
    for (int i = 0; i < 20; ++i)
        settings.addRecentFile(QStringLiteral("/d/%1.vqd").arg(i));
    settings.addRecentFile(QStringLiteral("/d/10.vqd"));
    const QStringList files = settings.recentFiles();
    ASSERT_EQ(files.size(), 16);
    EXPECT_EQ(files.first(), QStringLiteral("/d/10.vqd"));
    EXPECT_EQ(files.at(1), QStringLiteral("/d/19.vqd"));
    EXPECT_EQ(files.count(QStringLiteral("/d/10.vqd")), 1);
}

TEST_F(UtilitiesTest, WorkFolderIsPrivateAndNamesStartWithVqd)
{
    const QString folder = GetWorkFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.startsWith(tempDir()));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(QDir::currentPath(), folder);

    const QString a = MakeWorkFileName();
    const QString b = MakeWorkFileName();
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith(QLatin1String("VQD")));
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_EQ(QFileInfo(a).absolutePath(), folder);

    EXPECT_EQ(GetWorkFolder(QStringLiteral("sub")), folder + QStringLiteral("/sub"));
}

TEST_F(UtilitiesTest, WorkFolderRefusesASymbolicLink)
{
    test::ScriptedPrompter prompts;
    const QString target = filesDir() + QStringLiteral("/elsewhere");
    QDir().mkpath(target);
    const QString expected = tempDir() + QStringLiteral("/Velquin-%1").arg(::getuid());
    ASSERT_TRUE(QFile::link(target, expected));
    Report refused;
    EXPECT_TRUE(GetWorkFolder({}, &refused).isEmpty());
    prompts.show(refused);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30002});
    EXPECT_TRUE(refused.ownerless) << "the process's own folder belongs to no window";
    EXPECT_TRUE(MakeWorkFileName().isEmpty());
}

TEST_F(UtilitiesTest, CleaningDeletesSnapshotsOnly)
{
    const QString folder = GetWorkFolder();
    const QStringList names = {"VQDabc", "vqd123", "photo.vqd", "keep.txt"};
    for (const QString& n : names) {
        QFile f(folder + QLatin1Char('/') + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(folder).mkdir(QStringLiteral("VQDdir"));
    CleanWorkFolder(folder);
    EXPECT_FALSE(QFileInfo::exists(folder + "/VQDabc"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/vqd123"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/photo.vqd"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/keep.txt"));
    EXPECT_TRUE(QFileInfo(folder + "/VQDdir").isDir());
}

TEST_F(UtilitiesTest, CleaningExaminesAtMostAHundredEntries)
{
    const QString folder = GetWorkFolder();
    for (int i = 0; i < 150; ++i) {
        QFile f(folder + QStringLiteral("/VQD%1").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    CleanWorkFolder(folder);
    const int left = QDir(folder).entryList(QDir::Files).size();
    // "." and ".." are among the entries examined.
    EXPECT_GE(left, 50);
    EXPECT_LE(left, 52);
}

// The lock file of the instance working in `folder`.
QString lockOf(const QString& folder)
{
    return folder + QStringLiteral(".lock");
}

// Whether some open file holds the system's lock on `path`.
bool lockHeld(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

TEST_F(UtilitiesTest, EachInstanceWorksInALockedFolderOfItsOwn)
{
    const QString folder = GetWorkFolder();
    ASSERT_FALSE(folder.isEmpty());
    const QString base = WorkFolderBase();
    EXPECT_EQ(QFileInfo(folder).absolutePath(), base);
    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith(QLatin1String("run-")));
    EXPECT_TRUE(lockHeld(lockOf(folder)));
    EXPECT_EQ(GetWorkFolder(), folder) << "the same folder for the whole run";

    // Another instance, alive: its lock is held on an open file.
    const QString live = base + QStringLiteral("/run-live01");
    ASSERT_TRUE(QDir().mkpath(live));
    ASSERT_TRUE(test::writeFile(live + QStringLiteral("/VQDsnap"), "undo"));
    const int liveLock = ::open(QFile::encodeName(lockOf(live)).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(liveLock, 0);
    ASSERT_EQ(::flock(liveLock, LOCK_EX | LOCK_NB), 0);
    // An instance that died: the lock file is there, but nobody holds it,
    // whatever process id it names.
    const QString dead = base + QStringLiteral("/run-dead01");
    ASSERT_TRUE(QDir().mkpath(dead + QStringLiteral("/open-abc")));
    ASSERT_TRUE(test::writeFile(dead + QStringLiteral("/VQDsnap"), "undo"));
    ASSERT_TRUE(test::writeFile(dead + QStringLiteral("/temp.tmp"), "picture"));
    ASSERT_TRUE(test::writeFile(lockOf(dead), QByteArray::number(::getpid())));

    EXPECT_EQ(RemoveStaleWorkFolders(), 1);
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_FALSE(QFileInfo::exists(lockOf(dead)));
    EXPECT_TRUE(QFileInfo::exists(live + QStringLiteral("/VQDsnap"))) << "a running instance keeps its undo";
    EXPECT_TRUE(QFileInfo::exists(folder));
    EXPECT_TRUE(lockHeld(lockOf(folder)));

    // A clean exit takes its own folder and no other.
    ASSERT_FALSE(MakeWorkFileName().isEmpty());
    ASSERT_TRUE(test::writeFile(folder + QStringLiteral("/temp.tmp"), "picture"));
    ReleaseWorkFolder();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_FALSE(QFileInfo::exists(lockOf(folder)));
    EXPECT_TRUE(QFileInfo::exists(live + QStringLiteral("/VQDsnap")));
    ::close(liveLock);

    // The next use makes a new folder.
    const QString next = GetWorkFolder();
    EXPECT_FALSE(next.isEmpty());
    EXPECT_NE(next, folder);
    EXPECT_EQ(RemoveStaleWorkFolders(), 1) << "the other instance has gone by now";
    EXPECT_FALSE(QFileInfo::exists(live));
}

TEST_F(UtilitiesTest, AWorkingFolderRemovedUnderTheInstanceIsMadeAgain)
{
    const QString folder = GetWorkFolder();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_EQ(GetWorkFolder(), folder) << "made again under its lock";
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(lockHeld(lockOf(folder)));

    // With its lock gone too, it is a new folder and a new lock.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QFile::remove(lockOf(folder)));
    const QString again = GetWorkFolder();
    ASSERT_FALSE(again.isEmpty());
    EXPECT_NE(again, folder);
    EXPECT_TRUE(QFileInfo(again).isDir());
    EXPECT_TRUE(lockHeld(lockOf(again)));
}

} // namespace
} // namespace vq
