#include "model/Recovery.h"
#include "model/Document.h"
#include "base/Report.h"
#include "model/WorkFolder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>

#include <cstdlib>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

class RecoveryTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        folder = GetWorkFolder();
        ASSERT_FALSE(folder.isEmpty());
        doc.ResetDocument();
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 120, 90));
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(20, 60, Qt::blue)), 20, 60, 300, 200));
        doc.state.canvasWidth = 777;
    }
    // The id of a process that has certainly ended.
    static qint64 deadPid()
    {
        QProcess p;
        p.start(QStringLiteral("true"), {});
        EXPECT_TRUE(p.waitForStarted(10000));
        const qint64 pid = p.processId();
        EXPECT_TRUE(p.waitForFinished(10000));
        return pid;
    }
    QStringList pidsFound(qint64 ownPid)
    {
        QStringList pids;
        for (const LeftRecoveryCopy& copy : FindLeftRecoveryCopies(folder, ownPid))
            pids << QString::number(copy.pid);
        return pids;
    }

    QString folder;
    Document doc;
};

class RecoveryRoundTrip : public RecoveryTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RecoveryRoundTrip, KeepsTheDocumentAndItsPath)
{
    const QString documentPath = QString::fromUtf8(GetParam());
    const QString target = RecoveryCopyPath(folder, 4242);
    ASSERT_TRUE(WriteRecoveryCopy(target, documentPath, doc));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral(".part")));

    Document back;
    QString backPath = QStringLiteral("not read");
    ASSERT_TRUE(ReadRecoveryCopy(target, back, backPath));
    EXPECT_EQ(backPath, documentPath);
    EXPECT_EQ(back.state.nodeCount, 2);
    EXPECT_EQ(back.state.canvasWidth, 777);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back.nodes[i].centerX, doc.nodes[i].centerX);
        ASSERT_TRUE(back.nodes[i].picture);
        EXPECT_EQ(back.nodes[i].picture->bytes(), doc.nodes[i].picture->bytes());
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, RecoveryRoundTrip,
                         ::testing::Values("", "/home/user/作品/旅行 2024.vqd", "/tmp/a.vqd"));

TEST_F(RecoveryTest, TheNamesNeverFallToTheWorkingFolderCleaning)
{
    const QString copy = RecoveryCopyPath(folder, 17);
    const QString part = RecoveryPartPath(folder, 17);
    ASSERT_TRUE(WriteRecoveryCopy(copy, {}, doc));
    ASSERT_TRUE(WriteRecoveryFile(part, {}, doc));
    RecoveryStore store(folder, 17);
    ASSERT_TRUE(store.isHeld());
    CleanWorkFolder(folder);
    EXPECT_TRUE(QFileInfo::exists(copy));
    EXPECT_TRUE(QFileInfo::exists(part));
    EXPECT_TRUE(QFileInfo::exists(RecoveryLockPath(folder, 17)));
}

TEST_F(RecoveryTest, AFailedWriteLeavesThePreviousCopy)
{
    const QString target = RecoveryCopyPath(folder, 5);
    ASSERT_TRUE(WriteRecoveryCopy(target, QStringLiteral("/old.vqd"), doc));
    // A folder where the part should go: the write cannot even start.
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral(".part")));
    Document changed;
    changed.ResetDocument();
    EXPECT_FALSE(WriteRecoveryCopy(target, QStringLiteral("/new.vqd"), changed));
    Document back;
    QString path;
    ASSERT_TRUE(ReadRecoveryCopy(target, back, path));
    EXPECT_EQ(path, QStringLiteral("/old.vqd"));
    EXPECT_EQ(back.state.nodeCount, 2);
}

TEST_F(RecoveryTest, ACommitReplacesTheCopyWhole)
{
    const QString target = RecoveryCopyPath(folder, 6);
    const QString part = RecoveryPartPath(folder, 6);
    ASSERT_TRUE(WriteRecoveryCopy(target, QStringLiteral("/old.vqd"), doc));
    ASSERT_TRUE(WriteRecoveryFile(part, QStringLiteral("/new.vqd"), doc));
    ASSERT_TRUE(CommitRecoveryFile(part, target));
    EXPECT_FALSE(QFileInfo::exists(part));
    Document back;
    QString path;
    ASSERT_TRUE(ReadRecoveryCopy(target, back, path));
    EXPECT_EQ(path, QStringLiteral("/new.vqd"));
}

struct Damage {
    const char* name;
    std::function<QByteArray(const QByteArray&)> apply;
};

void PrintTo(const Damage& damage, std::ostream* os)
{
    *os << damage.name;
}

class RecoveryDamage : public RecoveryTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(RecoveryDamage, IsRefusedAndSetAside)
{
    const QString target = RecoveryCopyPath(folder, 7);
    ASSERT_TRUE(WriteRecoveryCopy(target, QStringLiteral("/doc.vqd"), doc));
    const QByteArray whole = test::readFile(target);
    ASSERT_TRUE(test::writeFile(target, GetParam().apply(whole)));

    Document back;
    QString path;
    EXPECT_FALSE(ReadRecoveryCopy(target, back, path));
    const QString aside = SetAsideDamagedCopy(target);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(aside.endsWith(QStringLiteral(".damaged"))) << aside.toStdString();
    EXPECT_TRUE(QFileInfo::exists(aside));
    EXPECT_TRUE(pidsFound(1).isEmpty()) << "a copy set aside is not offered again";
}

INSTANTIATE_TEST_SUITE_P(
    Damages, RecoveryDamage,
    ::testing::Values(Damage{"Empty", [](const QByteArray&) { return QByteArray(); }},
                      Damage{"HeaderCut", [](const QByteArray& b) { return b.left(10); }},
                      Damage{"PathCut", [](const QByteArray& b) { return b.left(14); }},
                      Damage{"DataCut", [](const QByteArray& b) { return b.left(b.size() / 2); }},
                      Damage{"ForeignMagic",
                             [](const QByteArray& b) { return QByteArray("XXXXXXXX") + b.mid(8); }},
                      Damage{"HugePathLength",
                             [](const QByteArray& b) { return b.left(8) + QByteArray("\x7f\xff\xff\xff", 4) + b.mid(12); }},
                      Damage{"DataMagicBroken",
                             [](const QByteArray& b) {
                                 QByteArray d = b;
                                 // After the header and the 8 bytes of "/doc.vqd".
                                 d[8 + 4 + 8] = 'X';
                                 return d;
                             }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(RecoveryTest, ARunningInstancesCopyIsNeverOffered)
{
    // A second store in this process stands for another running instance:
    // it holds the lock just as one would.
    RecoveryStore running(folder, 31001);
    ASSERT_TRUE(running.isHeld());
    ASSERT_TRUE(WriteRecoveryCopy(running.copyPath(), {}, doc));
    ASSERT_TRUE(WriteRecoveryFile(running.partPath(), {}, doc));
    EXPECT_TRUE(pidsFound(QCoreApplication::applicationPid()).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(running.copyPath()));
    EXPECT_TRUE(QFileInfo::exists(running.partPath())) << "a write in progress is left alone";
}

TEST_F(RecoveryTest, ACopyIsFoundOnceItsInstanceHasGone)
{
    const qint64 pid = 31002;
    {
        RecoveryStore gone(folder, pid);
        ASSERT_TRUE(gone.isHeld());
        ASSERT_TRUE(WriteRecoveryCopy(gone.copyPath(), {}, doc));
    }
    // The lock file of a process killed outright: still there, naming a dead process.
    const qint64 dead = deadPid();
    ASSERT_TRUE(test::writeFile(RecoveryLockPath(folder, pid),
                                QByteArray::number(dead) + "\nvelquin\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
    EXPECT_EQ(pidsFound(QCoreApplication::applicationPid()), QStringList{QString::number(pid)});
}

TEST_F(RecoveryTest, TableOfLeftCopies)
{
    struct Row {
        const char* name;
        qint64 pid;
        QByteArray lockText; // "" for no lock file, "-" for one naming a dead process
        bool offered;
    };
    const qint64 dead = deadPid();
    const qint64 own = QCoreApplication::applicationPid();
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const Row rows[] = {
        {"no lock file, process gone", dead, "", true},
        {"no lock file, process alive", 1, "", false}, // the first process lives as long as the system
        {"lock file written only in part", 31010, "31", true},
        {"empty lock file", 31011, "\n", true},
        {"lock naming a dead process", 31012, QByteArray::number(dead) + "\nvelquin\n" + host + "\n", true},
        {"our own id, left by a dead process", own, "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(folder).removeRecursively();
        ASSERT_FALSE(GetWorkFolder().isEmpty());
        ASSERT_TRUE(WriteRecoveryCopy(RecoveryCopyPath(folder, row.pid), {}, doc));
        if (!row.lockText.isEmpty()) {
            ASSERT_TRUE(test::writeFile(RecoveryLockPath(folder, row.pid), row.lockText));
        }
        const QStringList found = pidsFound(own);
        EXPECT_EQ(found.contains(QString::number(row.pid)), row.offered) << found.join(u',').toStdString();
        EXPECT_TRUE(QFileInfo::exists(RecoveryCopyPath(folder, row.pid))) << "finding deletes nothing";
    }
}

TEST_F(RecoveryTest, ALockLeftWithoutACopyGoesOnlyWhenItsInstanceHasGone)
{
    const qint64 dead = deadPid();
    const qint64 own = QCoreApplication::applicationPid();
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    // Another instance running now, as in ARunningInstancesCopyIsNeverOffered.
    RecoveryStore running(folder, 31050);
    ASSERT_TRUE(running.isHeld());
    struct Row {
        const char* name;
        qint64 pid;
        QByteArray lockText; // empty: the lock is the running store's own
        bool removed;
    };
    const Row rows[] = {
        {"killed with nothing unsaved", dead, QByteArray::number(dead) + "\nvelquin\n" + host + "\n", true},
        {"written only in part by a dead process", dead, "31", true},
        {"held by a running instance", 31050, "", false},
        {"an id a process has now", 1, "1\nvelquin\n" + host + "\n", false},
        {"our own id", own, QByteArray::number(own) + "\nvelquin\n" + host + "\n", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString lock = RecoveryLockPath(folder, row.pid);
        if (!row.lockText.isEmpty()) {
            ASSERT_TRUE(test::writeFile(lock, row.lockText));
        }
        EXPECT_TRUE(pidsFound(own).isEmpty()) << "a lock alone is no copy to offer";
        EXPECT_EQ(!QFileInfo::exists(lock), row.removed);
    }
    EXPECT_TRUE(running.isHeld());
}

TEST_F(RecoveryTest, AFoundCopyIsHeldAgainstASecondStartingInstance)
{
    ASSERT_TRUE(WriteRecoveryCopy(RecoveryCopyPath(folder, 31020), {}, doc));
    ASSERT_TRUE(WriteRecoveryFile(RecoveryPartPath(folder, 31021), {}, doc));
    {
        const std::vector<LeftRecoveryCopy> first = FindLeftRecoveryCopies(folder, 1);
        ASSERT_EQ(first.size(), 1U);
        EXPECT_EQ(first[0].pid, 31020);
        EXPECT_FALSE(QFileInfo::exists(RecoveryPartPath(folder, 31021))) << "a dead instance's part is deleted";
        EXPECT_TRUE(FindLeftRecoveryCopies(folder, 2).empty());
    }
    EXPECT_EQ(FindLeftRecoveryCopies(folder, 2).size(), 1U);
}

TEST_F(RecoveryTest, CopiesAreOfferedOldestFirst)
{
    for (const qint64 pid : {31032, 31030, 31031}) {
        ASSERT_TRUE(WriteRecoveryCopy(RecoveryCopyPath(folder, pid), {}, doc));
        QFile f(RecoveryCopyPath(folder, pid));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-1000 + pid % 10),
                                  QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(pidsFound(1), (QStringList{QStringLiteral("31030"), QStringLiteral("31031"), QStringLiteral("31032")}));
}

TEST_F(RecoveryTest, TheCopyRecordsTheDocumentFilesStamp)
{
    const QString target = RecoveryCopyPath(folder, 8);
    const FileStamp stamp{12345, 1700000000123};
    ASSERT_TRUE(WriteRecoveryCopy(target, QStringLiteral("/doc.vqd"), doc, nullptr, stamp));
    Document back;
    QString path;
    FileStamp read;
    ASSERT_TRUE(ReadRecoveryCopy(target, back, path, &read));
    EXPECT_EQ(read, stamp);
    EXPECT_EQ(back.state.nodeCount, 2);

    const QString file = QDir(root()).filePath(QStringLiteral("stamped.bin"));
    ASSERT_TRUE(test::writeFile(file, QByteArray(77, 'a')));
    EXPECT_EQ(StampOf(file).size, 77);
    EXPECT_EQ(StampOf(file).modifiedMs, QFileInfo(file).lastModified().toMSecsSinceEpoch());
    EXPECT_FALSE(StampOf(file + QStringLiteral(".gone")).exists());
    EXPECT_FALSE(StampOf({}).exists());
}

TEST_F(RecoveryTest, ACopyWhosePictureIsCutShortIsDamaged)
{
    const QString target = RecoveryCopyPath(folder, 9);
    ASSERT_TRUE(WriteRecoveryCopy(target, QStringLiteral("/doc.vqd"), doc, nullptr, FileStamp{1, 2}));
    const QByteArray whole = test::readFile(target);
    constexpr int kStampBytes = 20;
    // The last picture loses its end, the stamp after it stays: the file
    // still ends as a copy does, but a node would come back without picture.
    const QByteArray cut = whole.left(whole.size() - kStampBytes - 40) + whole.right(kStampBytes);
    ASSERT_TRUE(test::writeFile(target, cut));
    Document back;
    QString path;
    EXPECT_FALSE(ReadRecoveryCopy(target, back, path));
}

TEST_F(RecoveryTest, ACopyLargerThanAnyDocumentIsNotMapped)
{
    const QString target = RecoveryCopyPath(folder, 10);
    ASSERT_TRUE(WriteRecoveryCopy(target, QStringLiteral("/doc.vqd"), doc));
    QFile file(target);
    // Sparse: no block of it is written.
    ASSERT_TRUE(file.resize(qint64(3000) * 1024 * 1024 * 1024 * 2));
    file.close();
    Document back;
    QString path;
    EXPECT_FALSE(ReadRecoveryCopy(target, back, path));
}

TEST_F(RecoveryTest, TheRecoveryFolderIsPrivateAndOutsideTheTemporaryFolder)
{
    const QString state = root() + QStringLiteral("/state");
    ::setenv("XDG_STATE_HOME", QFile::encodeName(state).constData(), 1);
    const QString recovery = RecoveryFolder();
    EXPECT_EQ(recovery, state + QStringLiteral("/velquin"));
    EXPECT_EQ(QFileInfo(recovery).permissions() & 0x0077, 0);

    // A relative XDG_STATE_HOME is ignored, as the base directory rules say.
    ::setenv("XDG_STATE_HOME", "relative/state", 1);
    const QByteArray oldHome = qgetenv("HOME");
    ::setenv("HOME", QFile::encodeName(root() + QStringLiteral("/home")).constData(), 1);
    EXPECT_EQ(RecoveryFolder(), root() + QStringLiteral("/home/.local/state/velquin"));

    // Someone else's link in its place is refused.
    const QString planted = root() + QStringLiteral("/planted");
    ASSERT_TRUE(QDir().mkpath(planted + QStringLiteral("/elsewhere")));
    ASSERT_TRUE(QFile::link(planted + QStringLiteral("/elsewhere"), planted + QStringLiteral("/velquin")));
    ::setenv("XDG_STATE_HOME", QFile::encodeName(planted).constData(), 1);
    Report refused;
    EXPECT_TRUE(RecoveryFolder(&refused).isEmpty());
    EXPECT_EQ(refused.id, kMsgNoWorkFolder);
    ::setenv("HOME", oldHome.constData(), 1);
}

TEST_F(RecoveryTest, AnIdComingRoundAgainLeavesAHeldCopyToItsHolder)
{
    // Instance A found the copy a dead instance with id P left and holds it
    // while it asks; instance B starts and gets P as its process id.
    const qint64 reused = 31040;
    ASSERT_TRUE(WriteRecoveryCopy(RecoveryCopyPath(folder, reused), {}, doc));
    const std::vector<LeftRecoveryCopy> heldByA = FindLeftRecoveryCopies(folder, 1);
    ASSERT_EQ(heldByA.size(), 1U);

    RecoveryStore b(folder, reused);
    ASSERT_TRUE(b.isHeld()) << "B still keeps copies of its own";
    EXPECT_NE(b.pid(), reused);
    EXPECT_NE(b.copyPath(), RecoveryCopyPath(folder, reused));
    EXPECT_TRUE(FindLeftRecoveryCopies(folder, b.pid()).empty()) << "B does not offer what A holds";
    EXPECT_TRUE(QFileInfo::exists(RecoveryLockPath(folder, reused))) << "A's lock stays";
    EXPECT_TRUE(QFileInfo::exists(RecoveryCopyPath(folder, reused)));
}

} // namespace
} // namespace vq
