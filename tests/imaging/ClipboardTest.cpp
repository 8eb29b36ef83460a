// The clipboard through Qt's in-process clipboard of the offscreen platform.
#include "imaging/Clipboard.h"
#include "tests/imaging/ImagingTestSupport.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>

namespace vq::test {
namespace {

class ClipboardTest : public IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        QGuiApplication::clipboard()->clear();
    }
    [[nodiscard]] QString file(const QString& name) const { return QDir(filesDir()).filePath(name); }

    ScriptedPrompter prompter;
};

TEST_F(ClipboardTest, SavesTheClipboardImage)
{
    QGuiApplication::clipboard()->setImage(QuadrantImage(64, 32));
    const QString path = file(QStringLiteral("tmp.JPEG"));
    ASSERT_TRUE(SaveClipboardImage(path, QStringLiteral("JPEG")));
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage saved = reader.read();
    ASSERT_EQ(saved.size(), QSize(64, 32));
    EXPECT_TRUE(Near(SampleQuadrants(saved).topRight, kTopRight));
    EXPECT_TRUE(prompter.messageIds().isEmpty());
}

TEST_F(ClipboardTest, NoImageMeansFalseWithoutMessage)
{
    const QString path = file(QStringLiteral("tmp.JPEG"));
    EXPECT_FALSE(SaveClipboardImage(path, QStringLiteral("JPEG"))); // empty clipboard
    QGuiApplication::clipboard()->setText(QStringLiteral("just text"));
    EXPECT_FALSE(SaveClipboardImage(path, QStringLiteral("JPEG")));
    EXPECT_TRUE(prompter.messageIds().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ClipboardTest, SaveFailureNamesTheStep)
{
    QGuiApplication::clipboard()->setImage(QuadrantImage(8, 8));
    Reports reports;
    EXPECT_FALSE(SaveClipboardImage(file(QStringLiteral("no/such/folder.png")), QStringLiteral("png"), &reports));
    prompter.show(reports);
    ASSERT_EQ(prompter.messageIds(), QList<int>{30027});
    EXPECT_EQ(prompter.messages.first().prefix, QStringLiteral("セーブエラー\n"));
    EXPECT_EQ(prompter.messages.first().style, kStyleError);
}

TEST_F(ClipboardTest, TextJoinsTheImageWhenKeepingIt)
{
    QClipboard* board = QGuiApplication::clipboard();
    board->setImage(QuadrantImage(16, 8));
    PutTextOnClipboard(QStringLiteral("[OBJ]"), true);
    const QMimeData* data = board->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), QStringLiteral("[OBJ]"));
    ASSERT_TRUE(data->hasImage());
    EXPECT_EQ(board->image().size(), QSize(16, 8));

    PutTextOnClipboard(QStringLiteral("alone"), false);
    EXPECT_EQ(board->text(), QStringLiteral("alone"));
    EXPECT_FALSE(board->mimeData()->hasImage());

    PutTextOnClipboard(QStringLiteral("again"), true); // nothing to keep
    EXPECT_EQ(board->text(), QStringLiteral("again"));
    EXPECT_FALSE(board->mimeData()->hasImage());
}

} // namespace
} // namespace vq::test
