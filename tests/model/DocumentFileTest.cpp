#include "model/DataFile.h"
#include "model/DocumentFile.h"
#include "base/Settings.h"
#include "model/WorkFolder.h"
#include "model/cabinet/CabinetWriter.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {
namespace {

class DocumentFileTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        // Made only now: the settings must open in the isolated folder.
        settingsStore = std::make_unique<Settings>();
        doc.ResetDocument();
        jpeg = test::makeJpeg(120, 80);
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(jpeg), 120, 80, 300, 200));
        SetNodeSource(doc, 0, 120, 80, int(jpeg.size()), QStringLiteral("file:////x/a.jpg"));
    }
    QString path(const QString& name) const { return filesDir() + QLatin1Char('/') + name; }
    bool save(const QString& p) { return SaveDocumentFile(p, doc, *settingsStore, nullptr, directJobRunner(), test::scriptedSink()); }
    bool open(const QString& p, Document& into) { return OpenDocumentFile(p, into, nullptr, directJobRunner(), test::scriptedSink()); }
    QStringList workFiles() const { return QDir(GetWorkFolder()).entryList(QDir::Files); }

    Document doc;
    std::unique_ptr<Settings> settingsStore;
    QByteArray jpeg;
    test::ScriptedPrompter prompts;
};

TEST_F(DocumentFileTest, SaveThenOpenKeepsTheDocumentAndCleansUp)
{
    const QString p = path(QStringLiteral("a.vqd"));
    ASSERT_TRUE(save(p));
    EXPECT_EQ(settingsStore->text(keys::FilePath), p);
    Document back;
    ASSERT_TRUE(open(p, back));
    EXPECT_EQ(back.state.nodeCount, 1);
    ASSERT_TRUE(back.nodes[0].picture);
    EXPECT_EQ(back.nodes[0].picture->bytes(), jpeg);
    EXPECT_EQ(NodeSourceText(back.nodes[0]), QStringLiteral("file:////x/a.jpg"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(',').toStdString();
    // No partial files are left beside the document.
    EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.vqd")});
}

TEST_F(DocumentFileTest, SavedFileIsACabinetOthersCanRead)
{
    const QString p = path(QStringLiteral("photo.vqd"));
    ASSERT_TRUE(save(p));
    QProcess list;
    list.start(QStringLiteral("cabextract"), {QStringLiteral("-l"), p});
    ASSERT_TRUE(list.waitForFinished(30000));
    EXPECT_EQ(list.exitCode(), 0);
    EXPECT_TRUE(list.readAllStandardOutput().contains("photo.vqd"));
}

TEST_F(DocumentFileTest, ExtensionIsCheckedWithoutAMessage)
{
    const QString p = path(QStringLiteral("X.VQD"));
    ASSERT_TRUE(save(p));
    Document back;
    EXPECT_TRUE(open(p, back));
    const QString txt = path(QStringLiteral("x.txt"));
    ASSERT_TRUE(QFile::copy(p, txt));
    EXPECT_FALSE(open(txt, back));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(DocumentFileTest, RefusedFilesNameTheirReason)
{
    const QString missing = path(QStringLiteral("missing.vqd"));
    const QString folder = path(QStringLiteral("folder.vqd"));
    const QString junk = path(QStringLiteral("junk.vqd"));
    QDir().mkpath(folder);
    ASSERT_TRUE(test::writeFile(junk, QByteArray("not a cabinet at all")));
    Document back;
    EXPECT_FALSE(open(missing, back));
    EXPECT_FALSE(open(folder, back));
    EXPECT_FALSE(open(junk, back));
    ASSERT_EQ(prompts.messageIds(), (QList<int>{30077, 30066, 30036}));
    EXPECT_EQ(prompts.messages[0].prefix, missing + QStringLiteral("\n"));
    EXPECT_EQ(prompts.messages[2].prefix, QStringLiteral("[File Copy]\n"));
}

TEST_F(DocumentFileTest, VersionTwoOpensVersionThreeIsRefused)
{
    for (const char* version : {"002", "003"}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(WriteDataFile(buffer, doc));
        bytes.replace(3, 3, version);
        const QString data = path(QStringLiteral("data.vqd"));
        ASSERT_TRUE(test::writeFile(data, bytes));
        const QString p = path(QStringLiteral("v%1.vqd").arg(QLatin1String(version)));
        ASSERT_TRUE(WriteCabinet(p, data, QStringLiteral("v.vqd")));
        Document back;
        EXPECT_EQ(open(p, back), QByteArray(version) == "002");
    }
    ASSERT_EQ(prompts.messageIds(), QList<int>{30020});
    EXPECT_EQ(prompts.messages[0].prefix, QStringLiteral("ver 003\n"));
}

TEST_F(DocumentFileTest, OverwritingKeepsABackupWhenAsked)
{
    const QString p = path(QStringLiteral("a.vqd"));
    ASSERT_TRUE(save(p));
    const QByteArray first = test::readFile(p);
    doc.nodes[0].centerX = 500;
    ASSERT_TRUE(save(p));
    EXPECT_EQ(test::readFile(path(QStringLiteral("a(back).VQD"))), first);
    EXPECT_NE(test::readFile(p), first);

    settingsStore->setValue(keys::MakeBackup, 0);
    QFile::remove(path(QStringLiteral("a(back).VQD")));
    ASSERT_TRUE(save(p));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("a(back).VQD"))));
}

TEST_F(DocumentFileTest, BackupWithoutADotFailsAndKeepsTheOldFile)
{
    const QString p = path(QStringLiteral("nodot"));
    ASSERT_TRUE(test::writeFile(p, QByteArray("old content")));
    EXPECT_FALSE(save(p));
    EXPECT_EQ(prompts.messageIds(), QList<int>{30047});
    EXPECT_EQ(test::readFile(p), QByteArray("old content"));
    EXPECT_EQ(BackupPathFor(QStringLiteral("/a.b/c")), QString());
    EXPECT_EQ(BackupPathFor(QStringLiteral("/d/a.vqd")), QStringLiteral("/d/a(back).VQD"));
}

TEST_F(DocumentFileTest, SavingKeepsPermissionsAndLinks)
{
    const QString p = path(QStringLiteral("private.vqd"));
    ASSERT_TRUE(save(p));
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(p).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0600), 0);
    ASSERT_TRUE(save(p));
    ASSERT_EQ(::stat(QFile::encodeName(p).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Saving through a link updates the file it names and keeps the link.
    const QString link = path(QStringLiteral("link.vqd"));
    ASSERT_TRUE(QFile::link(p, link));
    doc.nodes[0].centerX = 777;
    ASSERT_TRUE(save(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    Document back;
    ASSERT_TRUE(open(p, back));
    EXPECT_EQ(back.nodes[0].centerX, 777);
}

TEST_F(DocumentFileTest, AFailedDataFileIsNamedAsTheUserKnowsIt)
{
    // Writes past 1000 bytes fail, so the data file cannot be completed.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString p = path(QStringLiteral("a.vqd"));
    const bool saved = save(p);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    ASSERT_EQ(prompts.messageIds(), QList<int>{30018});
    EXPECT_EQ(prompts.messages[0].prefix, GetWorkFolder() + QStringLiteral("/a.vqd\n"));
    EXPECT_FALSE(QFileInfo::exists(p));
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(',').toStdString();
}

TEST_F(DocumentFileTest, WritableDocumentsInAReadOnlyFolderAreSavedInPlace)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    const QString folder = path(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // a.vqd has a backup already, b.vqd has none.
    const QString a = folder + QStringLiteral("/a.vqd");
    const QString b = folder + QStringLiteral("/b.vqd");
    ASSERT_TRUE(save(a));
    ASSERT_TRUE(save(a));
    ASSERT_TRUE(save(b));
    const QByteArray previous = test::readFile(a);
    const QByteArray previousB = test::readFile(b);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(a).constData(), &before), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);

    doc.nodes[0].centerX = 500;
    EXPECT_TRUE(save(a));
    EXPECT_EQ(test::readFile(folder + QStringLiteral("/a(back).VQD")), previous);
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(a).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    Document back;
    ASSERT_TRUE(open(a, back));
    EXPECT_EQ(back.nodes[0].centerX, 500);

    // Nowhere to add b's backup: refused as before, b untouched.
    EXPECT_FALSE(save(b));
    EXPECT_EQ(prompts.messageIds(), QList<int>{30047});
    EXPECT_EQ(test::readFile(b), previousB);
    settingsStore->setValue(keys::MakeBackup, 0);
    EXPECT_TRUE(save(b));
    EXPECT_NE(test::readFile(b), previousB);

    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), files);
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(',').toStdString();
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

TEST_F(DocumentFileTest, PackingFailureIsReportedAsFailure)
{
    const QString p = filesDir() + QStringLiteral("/no/such/folder/a.vqd");
    EXPECT_FALSE(save(p));
    ASSERT_EQ(prompts.messageIds(), QList<int>{30035});
    EXPECT_EQ(prompts.messages[0].style, kStyleInfo);
    EXPECT_TRUE(workFiles().isEmpty());
}

} // namespace
} // namespace vq
