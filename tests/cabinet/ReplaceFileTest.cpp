// Putting new contents in place of a file, by rename or in place.
#include "model/cabinet/ReplaceFile.h"

#include "tests/cabinet/CabinetFixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace vq::test {
namespace {

class ReplaceFileTest : public CabinetTest {
protected:
    void SetUp() override
    {
        CabinetTest::SetUp();
        ASSERT_TRUE(QDir().mkpath(filesDir()));
        ASSERT_TRUE(QDir().mkpath(scratchDir()));
    }
    QString scratchDir() const { return root() + QStringLiteral("/scratch"); }
    QString target() const { return filesDir() + QStringLiteral("/a.vqd"); }

    static std::function<bool(const QString&)> writing(const QByteArray& bytes)
    {
        return [bytes](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
        };
    }
    static struct stat statOf(const QString& path)
    {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st;
    }
};

TEST_F(ReplaceFileTest, RenamesBesideOrWritesInPlaceAsTheFolderAllows)
{
    const QByteArray fresh = "new contents";
    const struct {
        const char* why;
        bool exists;
        bool folderTakesFiles;
        ReplaceOutcome outcome;
    } cases[] = {
        {"new file", false, true, ReplaceOutcome::Renamed},
        {"existing file", true, true, ReplaceOutcome::Renamed},
        {"existing file, folder takes no new file", true, false, ReplaceOutcome::CopiedInPlace},
        {"new file, folder takes no new file", false, false, ReplaceOutcome::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        QFile::remove(target());
        // Longer than the new contents: what is written in place is cut to length.
        if (c.exists) {
            writeFile(QStringLiteral("a.vqd"), QByteArray(1000, 'o'));
            ASSERT_EQ(::chmod(QFile::encodeName(target()).constData(), 0604), 0);
        }
        const ino_t before = statOf(target()).st_ino;
        const ReplaceOptions options{.fallbackFolder = scratchDir(),
                                     .folderTakesNewFiles = [&](const QString&) { return c.folderTakesFiles; }};

        EXPECT_EQ(ReplaceFile(target(), writing(fresh), options), c.outcome);

        if (c.outcome == ReplaceOutcome::Failed) {
            EXPECT_FALSE(QFileInfo::exists(target()));
        } else {
            EXPECT_EQ(readFile(target()), fresh);
            EXPECT_EQ(statOf(target()).st_ino == before, c.outcome == ReplaceOutcome::CopiedInPlace);
            const mode_t mask = ::umask(0);
            ::umask(mask);
            EXPECT_EQ(statOf(target()).st_mode & 07777, c.exists ? 0604u : (0666u & ~mask));
        }
        EXPECT_EQ(filesBelow(filesDir()), c.outcome == ReplaceOutcome::Failed ? QStringList() : QStringList{QStringLiteral("a.vqd")});
        EXPECT_EQ(filesBelow(scratchDir()), QStringList());
    }
}

TEST_F(ReplaceFileTest, AFailedWriteLeavesTheOldFileAndNoScratch)
{
    for (const bool folderTakesFiles : {true, false}) {
        SCOPED_TRACE(folderTakesFiles);
        writeFile(QStringLiteral("a.vqd"), "old");
        QString handed;
        const auto failing = [&](const QString& path) {
            handed = path;
            writing("half")(path);
            return false;
        };
        const ReplaceOptions options{.fallbackFolder = scratchDir(),
                                     .folderTakesNewFiles = [&](const QString&) { return folderTakesFiles; }};
        EXPECT_EQ(ReplaceFile(target(), failing, options), ReplaceOutcome::Failed);
        EXPECT_EQ(QFileInfo(handed).absolutePath(), folderTakesFiles ? filesDir() : scratchDir());
        EXPECT_EQ(readFile(target()), QByteArray("old"));
        EXPECT_EQ(filesBelow(filesDir()), QStringList{QStringLiteral("a.vqd")});
        EXPECT_EQ(filesBelow(scratchDir()), QStringList());
    }
}

TEST_F(ReplaceFileTest, FollowsLinksAndLeavesOtherKindsOfFileAlone)
{
    writeFile(QStringLiteral("real.vqd"), "old");
    const QString link = filesDir() + QStringLiteral("/link.vqd");
    ASSERT_TRUE(QFile::link(filesDir() + QStringLiteral("/real.vqd"), link));
    EXPECT_EQ(ReplaceFile(link, writing("new")), ReplaceOutcome::Renamed);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readFile(filesDir() + QStringLiteral("/real.vqd")), QByteArray("new"));

    const QString fifo = filesDir() + QStringLiteral("/pipe.vqd");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = filesDir() + QStringLiteral("/folder.vqd");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& other : {fifo, folder}) {
        SCOPED_TRACE(other.toStdString());
        bool written = false;
        const auto write = [&](const QString&) { return written = true; };
        EXPECT_EQ(ReplaceFile(other, write, {.fallbackFolder = scratchDir()}), ReplaceOutcome::Failed);
        EXPECT_FALSE(written);
    }
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
}

} // namespace
} // namespace vq::test
