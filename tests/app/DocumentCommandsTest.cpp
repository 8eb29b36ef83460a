#include "app/MainWindow.h"
#include "app/Application.h"
#include "app/DocumentController.h"
#include "model/DocumentFile.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"
#include "view/CanvasView.h"
#include "view/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

namespace vq {
namespace {

class DocumentCommandsTest : public test::IsolatedTest {
protected:
    // A saved document with `n` pictured nodes at the given path.
    QString makeDocument(const QString& name, int n)
    {
        Document d;
        d.ResetDocument();
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(AppendNode(d, Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 100 + 50 * i, 100));
        Settings settings;
        const QString path = filesDir() + QLatin1Char('/') + name;
        EXPECT_TRUE(SaveDocumentFile(path, d, settings, nullptr, directJobRunner(), messageSink()));
        return path;
    }
    void start(QStringList args = {QStringLiteral("velquin")})
    {
        app = std::make_unique<Application>();
        ASSERT_TRUE(app->InitInstance(args));
        app->mainFrame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(app->mainFrame));
    }
    void TearDown() override
    {
        if (app)
            app->document().SetModifiedFlag(false);
        app.reset();
        IsolatedTest::TearDown();
    }
    void trigger(int id)
    {
        QAction* a = app->mainFrame->action(id);
        ASSERT_NE(a, nullptr);
        app->mainFrame->updateCommandStates();
        ASSERT_TRUE(a->isEnabled()) << id;
        a->trigger();
    }

    test::ScriptedPrompter prompts;
    std::unique_ptr<Application> app;
};

TEST_F(DocumentCommandsTest, CommandLineDocumentOpensAtStartUp)
{
    const QString path = makeDocument(QStringLiteral("start.vqd"), 2);
    start({QStringLiteral("velquin"), path});
    EXPECT_EQ(app->doc().state.nodeCount, 2);
    EXPECT_EQ(app->document().path(), path);
    EXPECT_EQ(app->mainFrame->windowTitle(), QStringLiteral("start.vqd - Velquin"));
}

TEST_F(DocumentCommandsTest, FirstOpenTakesTheNewestRecentUnlessACommandLineNamesOne)
{
    const QString recent = makeDocument(QStringLiteral("recent.vqd"), 3);
    const QString named = makeDocument(QStringLiteral("named.vqd"), 1);
    {
        Settings settings;
        settings.setValue(keys::FirstOpen, 1);
        settings.addRecentFile(recent);
    }
    start();
    EXPECT_EQ(app->doc().state.nodeCount, 3);
    app.reset();
    start({QStringLiteral("velquin"), named});
    EXPECT_EQ(app->doc().state.nodeCount, 1);
}

TEST_F(DocumentCommandsTest, FirstOpenWithEmptyListStartsNew)
{
    {
        Settings settings;
        settings.setValue(keys::FirstOpen, 1);
    }
    start();
    EXPECT_EQ(app->doc().state.nodeCount, 0);
    EXPECT_EQ(app->mainFrame->windowTitle(), QStringLiteral("無題 - Velquin"));
}

TEST_F(DocumentCommandsTest, FirstOpenLooksAtTheNewestEntryOnly)
{
    const QString newest = makeDocument(QStringLiteral("newest.vqd"), 3);
    const QString older = makeDocument(QStringLiteral("older.vqd"), 2);
    const struct {
        int firstOpen;
        QString file1;
        QString file2;
        int expectedNodes;
    } cases[] = {
        {1, QString(), older, 0}, // an empty newest entry means a new document
        {0, newest, older, 0},
        {1, newest, older, 3},
    };
    for (const auto& c : cases) {
        {
            Settings settings;
            settings.setValue(keys::FirstOpen, c.firstOpen);
            settings.setText(SettingKey{"Recent File List", "File1", 0}, c.file1);
            settings.setText(SettingKey{"Recent File List", "File2", 0}, c.file2);
        }
        start();
        EXPECT_EQ(app->doc().state.nodeCount, c.expectedNodes) << c.firstOpen << ' ' << c.file1.toStdString();
        app.reset();
    }
}

TEST_F(DocumentCommandsTest, FailedOpenLeavesTheDocumentAsItWas)
{
    start();
    ASSERT_TRUE(AppendNode(app->edits().editableDoc(), Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 100, 100));
    const QString junk = filesDir() + QStringLiteral("/junk.vqd");
    ASSERT_TRUE(test::writeFile(junk, QByteArray("garbage")));
    prompts.files << QStringList{junk};
    trigger(57601);
    EXPECT_EQ(prompts.messageIds(), QList<int>{30036});
    EXPECT_EQ(app->doc().state.nodeCount, 1);
    EXPECT_TRUE(app->doc().nodes[0].picture);
}

TEST_F(DocumentCommandsTest, SaveAsThenOpenThroughTheMenus)
{
    start();
    ASSERT_TRUE(AppendNode(app->edits().editableDoc(), Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 100, 100));
    app->document().SetModifiedFlag(true);
    const QString target = filesDir() + QStringLiteral("/saved");
    prompts.files << QStringList{target};
    trigger(57603); // an untitled document asks for a name
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral(".vqd")));
    EXPECT_FALSE(app->document().isModified());
    EXPECT_EQ(app->mainFrame->windowTitle(), QStringLiteral("saved.vqd - Velquin"));
    EXPECT_EQ(app->settings().recentFiles().value(0), target + QStringLiteral(".vqd"));

    trigger(57600);
    EXPECT_EQ(app->doc().state.nodeCount, 0);
    prompts.files << QStringList{target + QStringLiteral(".vqd")};
    trigger(57601);
    EXPECT_EQ(app->doc().state.nodeCount, 1);
    EXPECT_EQ(app->doc().state.mainIndex, -1);
}

TEST_F(DocumentCommandsTest, UndoAndRedoKeys)
{
    start();
    app->mainFrame->updateCommandStates();
    EXPECT_FALSE(app->mainFrame->action(384)->isEnabled());
    app->edits().PushUndoSnapshot();
    ASSERT_TRUE(AppendNode(app->edits().editableDoc(), Picture::fromJpegBytes(test::makeJpeg(40, 30)), 40, 30, 100, 100));
    app->mainFrame->updateCommandStates();
    ASSERT_TRUE(app->mainFrame->action(384)->isEnabled());
    QTest::keyClick(app->mainFrame, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(app->doc().state.nodeCount, 0);
    EXPECT_TRUE(app->document().isModified());
    QTest::keyClick(app->mainFrame, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(app->doc().state.nodeCount, 1);
    app->mainFrame->updateCommandStates();
    EXPECT_FALSE(app->mainFrame->action(385)->isEnabled());
}

TEST_F(DocumentCommandsTest, ClosingAModifiedDocumentAsks)
{
    start();
    app->document().SetModifiedFlag(true);
    prompts.answers << kIdCancel;
    EXPECT_FALSE(app->mainFrame->close());
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].style, kStyleYesNoCancel);
    prompts.answers << kIdNo;
    EXPECT_TRUE(app->mainFrame->close());
}

} // namespace
} // namespace vq
