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
        EXPECT_FALSE(RunUnpack(root() + QStringLiteral("/work"), name, filesDir(), &dataFileName, &owner));
        EXPECT_EQ(dataFileName, QStringLiteral("untouched"));
        ASSERT_EQ(prompter.messageIds(), QList<int>{30036});
        EXPECT_EQ(prompter.messages[0].prefix, QStringLiteral("[File Copy]\n"));
        EXPECT_EQ(prompter.messages[0].style, kStyleError);
        EXPECT_EQ(prompter.messages[0].owner, &owner);
    }
}

TEST_F(CabinetJobs, UnpackingFarMoreThanADocumentHoldsIsRefused)
{
    // 96 MB of zeros deflate to a cabinet of some 100 KB.
    const QString source = writeFile(QStringLiteral("zeros"), QByteArray(96 << 20, '\0'));
    const QString cabinet = filesDir() + QStringLiteral("/bomb.vqd");
    ASSERT_TRUE(WriteCabinet(cabinet, source, QStringLiteral("bomb.vqd")));
    ASSERT_LT(UnpackLimit(QFileInfo(cabinet).size()), qint64(96) << 20);
    QString dataFileName;
    EXPECT_FALSE(RunUnpack(root() + QStringLiteral("/work"), QStringLiteral("bomb.vqd"), filesDir(), &dataFileName, nullptr));
    EXPECT_EQ(prompter.messageIds(), QList<int>{30036});
    // A document-like cabinet of incompressible data stays well within the limit.
    EXPECT_GT(UnpackLimit(10 << 20), qint64(10) << 20);
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

    const struct {
        const char* why;
        QString source;
        QString folder;
    } cases[] = {
        {"missing folder", source, root() + QStringLiteral("/no/such/folder")},
        {"folder is a file", source, notAFolder},
        {"read-only folder", source, readOnly},
        {"missing data file", filesDir() + QStringLiteral("/gone"), filesDir()},
    };
    for (const auto& c : cases) {
        if (privileged && c.folder == readOnly)
            continue;
        SCOPED_TRACE(c.why);
        prompter.messages.clear();
        EXPECT_FALSE(RunPack(c.source, QStringLiteral("a.vqd"), c.folder, &owner));
        ASSERT_EQ(prompter.messageIds(), QList<int>{30035});
        EXPECT_EQ(prompter.messages[0].prefix, QString());
        EXPECT_EQ(prompter.messages[0].style, kStyleInfo);
        EXPECT_EQ(prompter.messages[0].owner, &owner);
        EXPECT_FALSE(QFileInfo::exists(PathInFolder(c.folder, QStringLiteral("a.vqd"))));
    }
    EXPECT_FALSE(QFileInfo::exists(root() + QStringLiteral("/no"))) << "packing creates no folders";
    ::chmod(QFile::encodeName(readOnly).constData(), 0755);
}

} // namespace
} // namespace vq::test
