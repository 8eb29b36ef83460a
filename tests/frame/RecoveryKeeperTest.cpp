#include "tests/frame/FrameFixture.h"

#include "app/DocumentController.h"
#include "app/RecoveryKeeper.h"
#include "app/StatusBar.h"
#include "imaging/WorkerPool.h"
#include "imaging/ExifOrientation.h"
#include "model/DocumentFile.h"
#include "view/Prompts.h"
#include "model/Document.h"
#include "model/Recovery.h"
#include "model/WorkFolder.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Fixtures.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <chrono>
#include <optional>

namespace vq::test {
namespace {

using namespace std::chrono_literals;

class RecoveryKeeperTest : public FrameTest {
protected:
    void startKeeping()
    {
        start();
        keeper = frame().findChild<RecoveryKeeper*>();
        ASSERT_NE(keeper, nullptr);
        keeper->setSettleTime(200ms);
        QObject::connect(keeper, &RecoveryKeeper::copyWritten, keeper, [this](bool ok) {
            ++writes;
            lastWriteOk = ok;
        });
    }
    void addNode(int x)
    {
        app().edits().edit([x](Document& doc) {
            AppendNode(doc, Picture::fromJpegBytes(makeJpeg(30, 20)), 30, 20, x, 100);
        });
    }
    // Edits, then waits until the copy is on the disk.
    void editAndWaitForCopy()
    {
        addNode(100);
        ASSERT_TRUE(waitFor([this] { return writes > 0 && !keeper->isWritePending(); }, 30000));
        ASSERT_TRUE(lastWriteOk);
        ASSERT_TRUE(QFileInfo::exists(keeper->copyPath()));
    }
    static qint64 deadPid()
    {
        QProcess p;
        p.start(QStringLiteral("true"), {});
        EXPECT_TRUE(p.waitForStarted(10000));
        const qint64 pid = p.processId();
        EXPECT_TRUE(p.waitForFinished(10000));
        return pid;
    }

    RecoveryKeeper* keeper = nullptr;
    int writes = 0;
    bool lastWriteOk = false;
};

TEST_F(RecoveryKeeperTest, ABurstOfChangesIsWrittenOnceAfterItSettles)
{
    startKeeping();
    for (int i = 0; i < 8; ++i) {
        addNode(50 + 20 * i);
        QTest::qWait(20);
    }
    EXPECT_FALSE(QFileInfo::exists(keeper->copyPath())) << "nothing is written while the changes go on";
    ASSERT_TRUE(waitFor([this] { return writes > 0 && !keeper->isWritePending(); }, 30000));
    QTest::qWait(600);
    EXPECT_EQ(writes, 1);

    Document copy;
    QString path = QStringLiteral("not read");
    ASSERT_TRUE(ReadRecoveryCopy(keeper->copyPath(), copy, path));
    EXPECT_EQ(path, QString()) << "an untitled document";
    EXPECT_EQ(copy.state.nodeCount, 8);
}

TEST_F(RecoveryKeeperTest, AnUnchangedDocumentHasNoCopy)
{
    startKeeping();
    app().edits().commitSelection();
    QTest::qWait(600);
    EXPECT_EQ(writes, 0);
    EXPECT_FALSE(QFileInfo::exists(keeper->copyPath()));
}

enum class Ending { Save, CloseWithoutSaving, NewDocumentWithoutSaving, CleanExit };

std::string endingName(Ending how)
{
    switch (how) {
    case Ending::Save: return "Save";
    case Ending::CloseWithoutSaving: return "CloseWithoutSaving";
    case Ending::NewDocumentWithoutSaving: return "NewDocumentWithoutSaving";
    case Ending::CleanExit: return "CleanExit";
    }
    return "Unknown";
}

class CopyEnding : public RecoveryKeeperTest, public ::testing::WithParamInterface<Ending> {
protected:
    // Ends the unsaved changes the way a user does.
    void end(Ending how)
    {
        switch (how) {
        case Ending::Save:
            prompts().files.enqueue({filesDir() + QStringLiteral("/saved.vqd")});
            ASSERT_TRUE(app().document().OnFileSave());
            break;
        case Ending::CloseWithoutSaving:
            prompts().answers.enqueue(kIdNo);
            frame().close();
            ASSERT_FALSE(frame().isVisible());
            break;
        case Ending::NewDocumentWithoutSaving:
            prompts().answers.enqueue(kIdNo);
            ASSERT_TRUE(app().document().OnNewDocument());
            break;
        case Ending::CleanExit:
            finish();
            break;
        }
    }
};

TEST_P(CopyEnding, RemovesTheCopyForGood)
{
    startKeeping();
    editAndWaitForCopy();
    const QString copy = keeper->copyPath();
    const QString lock = RecoveryLockPath(QFileInfo(copy).absolutePath(), QCoreApplication::applicationPid());
    end(GetParam());
    EXPECT_FALSE(QFileInfo::exists(copy));
    // Nothing brings it back a while later.
    QTest::qWait(700);
    EXPECT_FALSE(QFileInfo::exists(copy));
    finish();
    EXPECT_FALSE(QFileInfo::exists(lock)) << "a clean exit leaves no lock";
}

INSTANTIATE_TEST_SUITE_P(Endings, CopyEnding,
                         ::testing::Values(Ending::Save, Ending::CloseWithoutSaving, Ending::NewDocumentWithoutSaving,
                                           Ending::CleanExit),
                         [](const ::testing::TestParamInfo<Ending>& info) { return endingName(info.param); });

TEST_F(RecoveryKeeperTest, ACancelledCloseKeepsTheCopy)
{
    startKeeping();
    editAndWaitForCopy();
    prompts().answers.enqueue(kIdCancel);
    frame().close();
    EXPECT_TRUE(frame().isVisible());
    EXPECT_TRUE(QFileInfo::exists(keeper->copyPath()));
}

struct LeftCopy {
    const char* name;
    bool damaged;
    int answer;
    // What the start ends with.
    bool restored;
};

void PrintTo(const LeftCopy& row, std::ostream* os)
{
    *os << row.name;
}

class StartUpOffer : public RecoveryKeeperTest, public ::testing::WithParamInterface<LeftCopy> {};

TEST_P(StartUpOffer, AsksAndActs)
{
    const LeftCopy& row = GetParam();
    const QString work = RecoveryFolder();
    ASSERT_FALSE(work.isEmpty());
    const QString left = RecoveryCopyPath(work, deadPid());
    const QString original = filesDir() + QStringLiteral("/作品.vqd");
    {
        Document doc;
        doc.ResetDocument();
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(makeJpeg(30, 20)), 30, 20, 70, 80));
        doc.state.canvasWidth = 1500;
        ASSERT_TRUE(WriteRecoveryCopy(left, original, doc));
    }
    if (row.damaged) {
        ASSERT_TRUE(writeFile(left, readFile(left).left(100)));
    }
    const QDateTime written = QFileInfo(left).lastModified();
    prompts().answers.enqueue(row.answer);
    startKeeping();

    ASSERT_EQ(prompts().messages.size(), 1);
    const MessageRequest& asked = prompts().messages.first();
    if (row.damaged) {
        EXPECT_EQ(asked.style, kStyleError);
        EXPECT_TRUE(asked.fullText().contains(QStringLiteral("壊れている"))) << asked.fullText().toStdString();
        EXPECT_EQ(QDir(work).entryList({QStringLiteral("*.damaged")}, QDir::Files).size(), 1);
    } else {
        EXPECT_EQ(asked.style, kStyleYesNo);
        EXPECT_EQ(asked.fullText(),
                  QStringLiteral("作品.vqd\n前回正常に終了しなかったときの作業内容が見つかりました。\nファイル: ") + original
                      + QStringLiteral("\n記録日時: ")
                      + written.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
                      + QStringLiteral("\n復元しますか?"));
    }
    EXPECT_FALSE(QFileInfo::exists(left)) << "the left copy is dealt with either way";

    DocumentController& document = app().document();
    if (row.restored) {
        EXPECT_EQ(document.path(), original);
        EXPECT_TRUE(document.isModified());
        EXPECT_EQ(app().doc().state.nodeCount, 1);
        EXPECT_EQ(app().doc().state.canvasWidth, 1500);
        EXPECT_EQ(frame().windowTitle(), QStringLiteral("作品.vqd - Velquin"));
        EXPECT_TRUE(QFileInfo::exists(keeper->copyPath())) << "the restored work is protected at once";
    } else {
        EXPECT_EQ(document.path(), QString());
        EXPECT_FALSE(document.isModified());
        EXPECT_EQ(app().doc().state.nodeCount, 0);
        EXPECT_FALSE(QFileInfo::exists(keeper->copyPath()));
    }
}

INSTANTIATE_TEST_SUITE_P(Copies, StartUpOffer,
                         ::testing::Values(LeftCopy{"Yes", false, kIdYes, true}, LeftCopy{"No", false, kIdNo, false},
                                           LeftCopy{"Damaged", true, kIdOk, false}),
                         [](const ::testing::TestParamInfo<LeftCopy>& info) { return std::string(info.param.name); });


TEST_F(RecoveryKeeperTest, TheCopyIsKeptInTheStateFolder)
{
    startKeeping();
    editAndWaitForCopy();
    EXPECT_EQ(QFileInfo(keeper->copyPath()).absolutePath(), stateDir() + QStringLiteral("/velquin"));
    EXPECT_EQ(QFileInfo(stateDir() + QStringLiteral("/velquin")).permissions() & 0x0077, 0) << "only its owner reads it";
    EXPECT_FALSE(keeper->copyPath().startsWith(tempDir())) << "a reboot empties the temporary folder";
}

TEST_F(RecoveryKeeperTest, ChangesThatNeverRestAreCopiedByTheDeadline)
{
    startKeeping();
    keeper->setLongestWait(700ms);
    // Every change comes well inside the settle time, for far longer than
    // the deadline: only the deadline can bring a copy.
    QElapsedTimer editing;
    editing.start();
    int written = 0;
    while (editing.elapsed() < 2500) {
        addNode(60);
        QTest::qWait(50);
        if (writes > 0 && written == 0)
            written = static_cast<int>(editing.elapsed());
    }
    EXPECT_GT(written, 0) << "a copy is written while the changes keep coming";
    EXPECT_LT(written, 1500);
    EXPECT_GE(writes, 2) << "and again for the changes after it";
}

// A photograph just brought in is still being turned upright: the copy waits
// for its bytes instead of making the window wait, and then holds them.
TEST_F(RecoveryKeeperTest, ACopyWaitsForPhotographsStillBeingTurned)
{
    startKeeping();
    std::optional<BackgroundWorkPause> pause(std::in_place);
    const QByteArray stored = TaggedPhoto(QuadrantImage(70, 50), 6);
    const PicturePtr photo = Picture::fromJpegBytesUpright(stored);
    ASSERT_TRUE(photo);
    app().edits().edit([&](Document& doc) { AppendNode(doc, photo, 70, 50, 100, 100); });
    QTest::qWait(1000);
    EXPECT_FALSE(photo->bytesReady()) << "nothing waited for the turn";
    EXPECT_EQ(writes, 0);
    EXPECT_TRUE(keeper->isWritePending());

    pause.reset();
    ASSERT_TRUE(waitFor([this] { return writes > 0 && !keeper->isWritePending(); }, 30000));
    ASSERT_TRUE(lastWriteOk);
    Document copy;
    QString path;
    ASSERT_TRUE(ReadRecoveryCopy(keeper->copyPath(), copy, path));
    ASSERT_EQ(copy.state.nodeCount, 1);
    EXPECT_EQ(copy.nodes[0].picture->bytes(), UprightJpeg(stored));
}

TEST_F(RecoveryKeeperTest, AFailedCopyIsToldOnceInTheStatusBarAndTriedAgain)
{
    startKeeping();
    keeper->setRetryTime(150ms);
    QStringList told;
    QObject::connect(keeper, &RecoveryKeeper::copyFailed, keeper, [&](const QString& text) { told << text; });
    // A folder where the part should go: no write can even start.
    ASSERT_TRUE(QDir().mkpath(keeper->copyPath() + QStringLiteral(".part")));
    addNode(100);
    ASSERT_TRUE(waitFor([this] { return writes >= 3; }, 10000)) << "retried";
    EXPECT_FALSE(lastWriteOk);
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(prompts().messages.isEmpty()) << "no box stops the user's work";
    EXPECT_EQ(bar().currentMessage(), told.value(0));
    EXPECT_TRUE(told.value(0).contains(QStringLiteral("保存できませんでした"))) << told.value(0).toStdString();

    ASSERT_TRUE(QDir(keeper->copyPath() + QStringLiteral(".part")).removeRecursively());
    ASSERT_TRUE(waitFor([this] { return lastWriteOk; }, 10000)) << "a later try succeeds by itself";
    EXPECT_TRUE(QFileInfo::exists(keeper->copyPath()));
    EXPECT_EQ(told.size(), 1);
}

TEST_F(RecoveryKeeperTest, ACopyLeavesTheDocumentsRoomFree)
{
    startKeeping();
    qint64 free = 0;
    keeper->setFreeSpaceProbe([&free](const QString&) { return free; });
    QStringList told;
    QObject::connect(keeper, &RecoveryKeeper::copyFailed, keeper, [&](const QString& text) { told << text; });
    addNode(100);
    ASSERT_TRUE(waitFor([this] { return writes > 0; }, 10000));
    EXPECT_FALSE(lastWriteOk);
    EXPECT_FALSE(QFileInfo::exists(keeper->copyPath()));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("空き容量"))) << told[0].toStdString();

    // Room for the copy and the document beside it, with a node to spare.
    free = 3 * EstimateCopyBytes(app().doc());
    keeper->setRetryTime(100ms);
    addNode(200);
    ASSERT_TRUE(waitFor([this] { return lastWriteOk; }, 10000));
    EXPECT_TRUE(QFileInfo::exists(keeper->copyPath()));
}

class LeftCopies : public RecoveryKeeperTest {
protected:
    // A saved document of `nodes` nodes, and a copy of it with one node more
    // that a dead instance left.
    QString leaveCopyOf(const QString& name, int nodes)
    {
        const QString path = filesDir() + QLatin1Char('/') + name;
        Document doc;
        doc.ResetDocument();
        for (int i = 0; i < nodes; ++i)
            EXPECT_TRUE(AppendNode(doc, Picture::fromJpegBytes(makeJpeg(30, 20)), 30, 20, 70 + 40 * i, 80));
        EXPECT_TRUE(SaveDocumentFile(path, doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), messageSink()));
        const FileStamp stamp = StampOf(path);
        EXPECT_TRUE(AppendNode(doc, Picture::fromJpegBytes(makeJpeg(30, 20)), 30, 20, 500, 500));
        const QString copy = RecoveryCopyPath(RecoveryFolder(), deadPid());
        EXPECT_TRUE(WriteRecoveryCopy(copy, path, doc, nullptr, stamp));
        return copy;
    }
    // Writes the document again, as another instance would.
    static void saveAgain(const QString& path)
    {
        Document doc;
        doc.ResetDocument();
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(makeJpeg(60, 50)), 60, 50, 300, 300));
        ASSERT_TRUE(SaveDocumentFile(path, doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), messageSink()));
    }
};

TEST_F(LeftCopies, AFileChangedSinceTheCopyIsNamedAndNotReplacedUnasked)
{
    const QString copy = leaveCopyOf(QStringLiteral("旅行.vqd"), 1);
    const QString document = filesDir() + QStringLiteral("/旅行.vqd");
    QTest::qWait(20);
    saveAgain(document);
    const QByteArray newer = readFile(document);

    prompts().answers.enqueue(kIdYes);
    startKeeping();
    ASSERT_EQ(prompts().messages.size(), 1);
    const QString asked = prompts().messages[0].fullText();
    EXPECT_TRUE(asked.startsWith(QStringLiteral("旅行.vqd\n"))) << asked.toStdString();
    EXPECT_TRUE(asked.contains(QStringLiteral("ファイル: ") + document + QLatin1Char('\n'))) << "the full path";
    EXPECT_TRUE(asked.contains(QStringLiteral("記録日時: ")
                               + QFileInfo(keeper->copyPath()).lastModified().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))))
        << asked.toStdString();
    EXPECT_TRUE(asked.contains(QStringLiteral("このファイルは作業内容の記録の後に変更されています"))) << asked.toStdString();
    ASSERT_EQ(app().doc().state.nodeCount, 2);
    ASSERT_FALSE(QFileInfo::exists(copy));

    struct Row {
        const char* name;
        int answer;
        bool saved;
        bool replaced;
    };
    for (const Row row : {Row{"cancel", kIdCancel, false, false}, Row{"save as", kIdNo, true, false},
                          Row{"overwrite", kIdYes, true, true}}) {
        SCOPED_TRACE(row.name);
        if (row.name == std::string("overwrite")) {
            // Saved as, the document is now the other file's; back to its own.
            Document again = app().doc();
            ASSERT_TRUE(app().document().OnRestoreDocument(again, document, FileStamp{1, 1}));
        }
        prompts().messages.clear();
        prompts().answers.enqueue(row.answer);
        const QString elsewhere = filesDir() + QStringLiteral("/別名.vqd");
        if (row.answer == kIdNo)
            prompts().files.enqueue({elsewhere});
        EXPECT_EQ(app().document().OnFileSave(), row.saved);
        ASSERT_GE(prompts().messages.size(), 1);
        EXPECT_TRUE(prompts().messages[0].fullText().contains(QStringLiteral("別の操作で変更されています")));
        EXPECT_EQ(readFile(document) == newer, !row.replaced);
        if (row.answer == kIdNo) {
            EXPECT_TRUE(QFileInfo::exists(elsewhere));
        }
    }
}

TEST_F(LeftCopies, TheDocumentOnTheCommandLineIsOfferedOnlyItsOwnCopy)
{
    const QString other = leaveCopyOf(QStringLiteral("other.vqd"), 1);
    QTest::qWait(20);
    const QString own = leaveCopyOf(QStringLiteral("asked.vqd"), 2);
    const QString asked = filesDir() + QStringLiteral("/asked.vqd");

    struct Row {
        const char* name;
        int answer;
        int nodes;
    };
    for (const Row row : {Row{"declined: the file opens", kIdNo, 2}, Row{"restored in its place", kIdYes, 3}}) {
        SCOPED_TRACE(row.name);
        if (!QFileInfo::exists(own))
            leaveCopyOf(QStringLiteral("asked.vqd"), 2);
        prompts().messages.clear();
        prompts().answers.enqueue(row.answer);
        start({asked});
        ASSERT_EQ(prompts().messages.size(), 1);
        EXPECT_TRUE(prompts().messages[0].fullText().contains(QStringLiteral("ファイル: ") + asked + QLatin1Char('\n')));
        EXPECT_EQ(app().document().path(), asked) << "the file asked for is never dropped";
        EXPECT_EQ(app().doc().state.nodeCount, row.nodes);
        EXPECT_EQ(app().document().isModified(), row.answer == kIdYes);
        EXPECT_TRUE(QFileInfo::exists(other)) << "another document's copy waits for a later start";
        EXPECT_TRUE(QFileInfo::exists(QFileInfo(other).absolutePath() + QLatin1Char('/')
                                      + QFileInfo(other).completeBaseName() + QStringLiteral(".lock")))
            << "with a lock file, so a process given its id later cannot hide it";
        finish();
        resetApp();
    }
    prompts().messages.clear();
    prompts().answers.enqueue(kIdNo);
    start();
    ASSERT_EQ(prompts().messages.size(), 1) << "offered at a start with no document asked for";
    EXPECT_TRUE(prompts().messages[0].fullText().contains(QStringLiteral("ファイル: ") + filesDir() + QStringLiteral("/other.vqd\n")));
}

TEST_F(RecoveryKeeperTest, ACopyFromBeforeTheSaveIsNotOfferedAfterACleanExit)
{
    startKeeping();
    editAndWaitForCopy();
    prompts().files.enqueue({filesDir() + QStringLiteral("/kept.vqd")});
    ASSERT_TRUE(app().document().OnFileSave());
    finish();
    EXPECT_TRUE(QDir(stateDir() + QStringLiteral("/velquin")).entryList({QStringLiteral("recovery-*")}, QDir::Files).isEmpty());
}

} // namespace
} // namespace vq::test
