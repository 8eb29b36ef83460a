#include "model/UndoHistory.h"
#include "model/DataFile.h"
#include "model/Document.h"
#include "model/WorkFolder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace vq {
namespace {

class UndoHistoryTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        doc.ResetDocument();
    }
    // Each edit adds a node at x = 10 * nodeCount.
    void edit()
    {
        history.PushUndoSnapshot(doc);
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(20, 20)), 20, 20,
                               10 * (doc.state.nodeCount + 1), 100));
    }
    int snapshotFiles() const
    {
        return QDir(GetWorkFolder()).entryList({QStringLiteral("VQD*")}, QDir::Files).size();
    }
    Document doc;
    UndoHistory history;
};

TEST_F(UndoHistoryTest, TenPushesKeepNineAndDeleteTheFirst)
{
    history.PushUndoSnapshot(doc);
    const QString first = history.undoPath(0);
    ASSERT_TRUE(QFileInfo::exists(first));
    for (int i = 0; i < 9; ++i)
        history.PushUndoSnapshot(doc);
    EXPECT_EQ(history.undoCount(), 9);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(snapshotFiles(), 9);
    EXPECT_TRUE(QFileInfo(history.undoPath(0)).fileName().startsWith(QLatin1String("VQD")));
}

TEST_F(UndoHistoryTest, UndoThenRedoReturnsWithNothingSelected)
{
    edit();
    edit();
    ASSERT_EQ(doc.state.nodeCount, 2);
    ASSERT_TRUE(history.UndoRedo(true, doc));
    EXPECT_EQ(doc.state.nodeCount, 1);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(history.redoCount(), 1);
    ASSERT_TRUE(history.UndoRedo(false, doc));
    EXPECT_EQ(doc.state.nodeCount, 2);
    EXPECT_EQ(doc.state.mainIndex, -1);
    EXPECT_EQ(doc.selectedCount(), 0);
    ASSERT_TRUE(doc.nodes[1].picture);
    EXPECT_EQ(doc.nodes[1].centerX, 20);
    EXPECT_EQ(history.undoCount(), 2);
    EXPECT_EQ(history.redoCount(), 0);
    EXPECT_FALSE(history.UndoRedo(false, doc));
}

TEST_F(UndoHistoryTest, PushAfterUndoDeletesTheRedoFile)
{
    edit();
    edit();
    ASSERT_TRUE(history.UndoRedo(true, doc));
    const QString redo = history.redoPath(0);
    ASSERT_TRUE(QFileInfo::exists(redo));
    edit();
    EXPECT_EQ(history.redoCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(redo));
}

TEST_F(UndoHistoryTest, UndoRestoresTheZoom)
{
    doc.state.zoom = 0.5f;
    history.PushUndoSnapshot(doc);
    doc.state.zoom = 2.0f;
    ASSERT_TRUE(history.UndoRedo(true, doc));
    EXPECT_EQ(doc.state.zoom, 0.5f);
}

TEST_F(UndoHistoryTest, UnreadableSnapshotLeavesModelAndHistoryConsistent)
{
    edit();
    edit();
    QFile::remove(history.undoPath(1));
    EXPECT_FALSE(history.UndoRedo(true, doc));
    EXPECT_EQ(doc.state.nodeCount, 2);
    ASSERT_TRUE(doc.nodes[0].picture);
    EXPECT_EQ(history.undoCount(), 1);
    EXPECT_EQ(history.redoCount(), 0);
    // The older step still works.
    ASSERT_TRUE(history.UndoRedo(true, doc));
    EXPECT_EQ(doc.state.nodeCount, 0);
}

TEST_F(UndoHistoryTest, DamagedSnapshotIsDroppedWithoutAMessage)
{
    test::ScriptedPrompter prompts;
    edit();
    ASSERT_TRUE(test::writeFile(history.undoPath(0), QByteArray("VQD003    garbage")));
    EXPECT_FALSE(history.UndoRedo(true, doc));
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_EQ(doc.state.nodeCount, 1);
}

TEST_F(UndoHistoryTest, ResetForgetsWithoutDeleting)
{
    edit();
    const QString path = history.undoPath(0);
    history.ResetHistory();
    EXPECT_EQ(history.undoCount(), 0);
    EXPECT_FALSE(history.UndoRedo(true, doc));
    EXPECT_TRUE(QFileInfo::exists(path));
}

} // namespace
} // namespace vq
