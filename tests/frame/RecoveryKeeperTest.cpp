#include "tests/frame/FrameFixture.h"

#include "app/DocumentController.h"
#include "app/RecoveryKeeper.h"
#include "model/Document.h"
#include "model/Recovery.h"
#include "model/WorkFolder.h"
#include "tests/support/Fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <chrono>

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
    const QString work = GetWorkFolder();
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
                  QStringLiteral("作品.vqd\n前回正常に終了しなかったときの作業内容が見つかりました。\n復元しますか?"));
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

} // namespace
} // namespace vq::test
