// The pack and unpack jobs with the program's messages.
#include "model/cabinet/CabinetJobs.h"
#include "model/cabinet/CabinetWriter.h"

#include "tests/cabinet/CabinetFixture.h"
#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace vq::test {
namespace {

// A failed job's report, shown over its owner as the program shows it.
bool shown(bool ok, const vq::Report& failure, QObject* owner)
{
    if (!ok)
        if (ScriptedPrompter* prompts = ScriptedPrompter::current())
            prompts->show(failure, owner);
    return ok;
}


TEST(PathInFolder, JoinsWithExactlyOneSlash)
{
    EXPECT_EQ(PathInFolder(QStringLiteral("/w"), QStringLiteral("a.vqd")), QStringLiteral("/w/a.vqd"));
    EXPECT_EQ(PathInFolder(QStringLiteral("/w/"), QStringLiteral("a.vqd")), QStringLiteral("/w/a.vqd"));
    EXPECT_EQ(PathInFolder(QString(), QStringLiteral("a.vqd")), QStringLiteral("a.vqd"));
}

class CabinetJobs : public CabinetTest {
protected:
    ScriptedPrompter prompter;
};

TEST_F(CabinetJobs, PackThenUnpackRecreatesTheDataFile)
{
    const QByteArray data = TextBytes(90000) + RandomBytes(200000, 21);
    const QString source = writeFile(QStringLiteral("VQD123456"), data);
    // Folders with and without the trailing slash, and a long path that the
    // original 259-character buffers would have cut.
    const QString deep = root() + QLatin1Char('/') + QString(120, QLatin1Char('d')) + QLatin1Char('/') + QString(120, QLatin1Char('e'));
    ASSERT_TRUE(QDir().mkpath(deep));
    for (const QString& folder : {filesDir(), filesDir() + QLatin1Char('/'), deep}) {
        SCOPED_TRACE(folder.toStdString());
        ASSERT_TRUE(RunPack(source, QStringLiteral("写真 a.vqd"), folder, nullptr));
        ASSERT_TRUE(QFileInfo::exists(PathInFolder(folder, QStringLiteral("写真 a.vqd"))));

        const QString work = root() + QStringLiteral("/work/");
        QString dataFileName = QStringLiteral("untouched");
        ASSERT_TRUE(RunUnpack(work, QStringLiteral("写真 a.vqd"), folder, &dataFileName, nullptr));
        EXPECT_EQ(dataFileName, QStringLiteral("写真 a.vqd"));
        EXPECT_EQ(readFile(work + dataFileName), data);
        EXPECT_EQ(QFileInfo(work + dataFileName).lastModified(), QFileInfo(source).lastModified().addMSecs(
            -(QFileInfo(source).lastModified().toMSecsSinceEpoch() % 2000)));
    }
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(CabinetJobs, UnpackReportsTheLastOfSeveralMembers)
{
    const QString cabinet = filesDir() + QStringLiteral("/set.vqd");
    ASSERT_TRUE(WriteCabinet(cabinet, {{writeFile(QStringLiteral("1"), "one"), QStringLiteral("one.dat")},
                                       {writeFile(QStringLiteral("2"), "two"), QStringLiteral("dir\\two.dat")},
                                       {writeFile(QStringLiteral("3"), "three"), QStringLiteral("../three.vqd")}}));
    const QString work = root() + QStringLiteral("/work");
    QString dataFileName;
    ASSERT_TRUE(RunUnpack(work, QStringLiteral("set.vqd"), filesDir(), &dataFileName, nullptr));
    EXPECT_EQ(dataFileName, QStringLiteral("three.vqd"));
    EXPECT_EQ(filesBelow(work), (QStringList{QStringLiteral("one.dat"), QStringLiteral("three.vqd"), QStringLiteral("two.dat")}));
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(CabinetJobs, UnpackingSomethingElseFailsAtTheCopyStep)
{
    QObject owner;
    writeFile(QStringLiteral("text.vqd"), "this is not a cabinet\n");
    writeFile(QStringLiteral("cut.vqd"), QByteArray("MSCF\0\0\0\0", 8));
    for (const QString& name : {QStringLiteral("text.vqd"), QStringLiteral("cut.vqd"), QStringLiteral("missing.vqd")}) {
        SCOPED_TRACE(name.toStdString());
        prompter.messages.clear();
        QString dataFileName = QStringLiteral("untouched");
        Report failure;
        EXPECT_FALSE(shown(RunUnpack(root() + QStringLiteral("/work"), name, filesDir(), &dataFileName, &failure), failure, &owner));
        EXPECT_EQ(dataFileName, QStringLiteral("untouched"));
        ASSERT_EQ(prompter.messageIds(), QList<int>{30036});
        EXPECT_EQ(prompter.messages[0].prefix, QStringLiteral("[File Copy]\n"));
        EXPECT_EQ(prompter.messages[0].style, kStyleError);
        EXPECT_EQ(prompter.messages[0].owner, &owner);
    }
}

TEST_F(CabinetJobs, AFlatDocumentUnpacksHoweverWellItCompressed)
{
    // 96 MB of zeros deflate to a cabinet of some 100 KB, a ratio no
    // document of photographs comes near and one of flat colours can.
    const QByteArray data(96 << 20, '\0');
    const QString source = writeFile(QStringLiteral("zeros"), data);
    const QString cabinet = filesDir() + QStringLiteral("/flat.vqd");
    ASSERT_TRUE(WriteCabinet(cabinet, source, QStringLiteral("flat.vqd")));
    ASSERT_LT(QFileInfo(cabinet).size() * 64 + (qint64(64) << 20), data.size());
    const QString work = root() + QStringLiteral("/work/");
    QString dataFileName;
    ASSERT_TRUE(RunUnpack(work, QStringLiteral("flat.vqd"), filesDir(), &dataFileName, nullptr));
    EXPECT_EQ(QFileInfo(work + dataFileName).size(), data.size());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(CabinetJobs, UnpackingWhatTheDiskOrTheFormatCannotHoldIsRefusedBeforeWriting)
{
    // Two members declaring 3000 bytes in all.
    const QString cabinet = filesDir() + QStringLiteral("/doc.vqd");
    ASSERT_TRUE(WriteCabinet(cabinet, {{writeFile(QStringLiteral("1"), TextBytes(1000)), QStringLiteral("a")},
                                       {writeFile(QStringLiteral("2"), TextBytes(2000)), QStringLiteral("b")}}));
    const struct {
        const char* why;
        qint64 maxBytes;
        qint64 freeBytes;
        bool fits;
    } cases[] = {
        {"room to spare", MaxDataFileBytes(), qint64(1) << 40, true},
        {"exactly the free space", MaxDataFileBytes(), 3000, true},
        {"free space unknown", MaxDataFileBytes(), -1, true},
        {"one byte short on the disk", MaxDataFileBytes(), 2999, false},
        {"more than a data file can be", 2999, qint64(1) << 40, false},
    };
    QObject owner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        prompter.messages.clear();
        const QString work = root() + QStringLiteral("/work-") + QString::number(c.freeBytes) + QLatin1Char('-')
                             + QString::number(c.maxBytes);
        QString askedAbout;
        const UnpackLimits limits{.maxBytes = c.maxBytes, .freeSpace = [&](const QString& folder) {
                                      askedAbout = folder;
                                      return c.freeBytes;
                                  }};
        QString dataFileName;
        Report failure;
        EXPECT_EQ(shown(RunUnpack(work, QStringLiteral("doc.vqd"), filesDir(), &dataFileName, &failure, limits), failure, &owner), c.fits);
        if (c.fits) {
            EXPECT_EQ(QFileInfo(askedAbout).canonicalFilePath(), QFileInfo(work).canonicalFilePath());
            EXPECT_EQ(filesBelow(work), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
            EXPECT_TRUE(prompter.messages.isEmpty());
        } else {
            EXPECT_EQ(filesBelow(work), QStringList());
            ASSERT_EQ(prompter.messageIds(), QList<int>{30036});
            EXPECT_EQ(prompter.messages[0].prefix, QStringLiteral("[File Copy]\n"));
            EXPECT_EQ(prompter.messages[0].owner, &owner);
        }
    }
    // Magic, state, count, a thousand records, and 1001 pictures of 4 GB - 1
    // behind their length fields.
    EXPECT_EQ(MaxDataFileBytes(), qint64(10 + 88 + 4 + 1000 * 2164) + qint64(1001) * (4 + 4294967295LL));
}

TEST_F(CabinetJobs, PackingWhereNothingCanBeWrittenShowsTheAccessMessage)
{
    QObject owner;
    const QString source = writeFile(QStringLiteral("data"), "payload");
    const QString readOnly = root() + QStringLiteral("/readonly");
    QDir().mkpath(readOnly);
    ::chmod(QFile::encodeName(readOnly).constData(), 0555);
    const QString notAFolder = writeFile(QStringLiteral("plain-file"), "x");
    const bool privileged = ::geteuid() == 0; // permissions do not stop root

    // Stands for a folder that takes no new file, whoever runs the test.
    const ReplaceOptions refusing{.folderTakesNewFiles = [](const QString&) { return false; }};

    const struct {
        const char* why;
        QString source;
        QString folder;
        ReplaceOptions placement;
    } cases[] = {
        {"missing folder", source, root() + QStringLiteral("/no/such/folder"), {}},
        {"folder is a file", source, notAFolder, {}},
        {"read-only folder", source, readOnly, {}},
        {"folder takes no new file, no document to write over", source, filesDir(), refusing},
        {"missing data file", filesDir() + QStringLiteral("/gone"), filesDir(), {}},
        {"missing data file, written in place", filesDir() + QStringLiteral("/gone"), filesDir(), refusing},
    };
    for (const auto& c : cases) {
        if (privileged && c.folder == readOnly)
            continue;
        SCOPED_TRACE(c.why);
        prompter.messages.clear();
        Report failure;
        EXPECT_FALSE(shown(RunPack(c.source, QStringLiteral("a.vqd"), c.folder, &failure, c.placement), failure, &owner));
        ASSERT_EQ(prompter.messageIds(), QList<int>{30035});
        EXPECT_EQ(prompter.messages[0].prefix, QString());
        EXPECT_EQ(prompter.messages[0].style, kStyleInfo);
        EXPECT_EQ(prompter.messages[0].owner, &owner);
        EXPECT_FALSE(QFileInfo::exists(PathInFolder(c.folder, QStringLiteral("a.vqd"))));
    }
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/no"))) << "packing creates no folders";
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);
}

TEST_F(CabinetJobs, ADocumentInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    const QByteArray data = TextBytes(50000);
    const QString source = writeFile(QStringLiteral("work/VQDdata"), data);
    const QString document = writeFile(QStringLiteral("shared/a.vqd"), RandomBytes(300000));
    ASSERT_EQ(::chmod(QFile::encodeName(document).constData(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(document).constData(), &before), 0);

    QStringList askedAbout;
    const ReplaceOptions refusing{.folderTakesNewFiles = [&](const QString& folder) {
        askedAbout << folder;
        return false;
    }};
    ASSERT_TRUE(RunPack(source, QStringLiteral("a.vqd"), QFileInfo(document).path(), nullptr, refusing));
    EXPECT_EQ(askedAbout, QStringList{QFileInfo(document).absolutePath()});

    // The same file, cut to the new cabinet's length, its mode kept.
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(document).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_LT(after.st_size, before.st_size);
    QString dataFileName;
    ASSERT_TRUE(RunUnpack(root() + QStringLiteral("/out"), QStringLiteral("a.vqd"), QFileInfo(document).path(),
                          &dataFileName, nullptr));
    EXPECT_EQ(readFile(root() + QStringLiteral("/out/") + dataFileName), data);
    // The cabinet was put together beside the data file and is gone again.
    EXPECT_EQ(filesBelow(filesDir()), (QStringList{QStringLiteral("shared/a.vqd"), QStringLiteral("work/VQDdata")}));
    EXPECT_TRUE(prompter.messages.isEmpty());
}

} // namespace
} // namespace vq::test
