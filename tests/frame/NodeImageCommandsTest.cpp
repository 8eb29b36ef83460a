// Saving the main node's picture to a file from the running program.
#include "tests/frame/FrameFixture.h"

#include "app/DocumentController.h"
#include "shell/ShellUtilities.h"
#include "edit/SaveNodeImage.h"
#include "imaging/ImageDecode.h"
#include "imaging/JpegEncode.h"
#include "model/Document.h"
#include "resources/CommandIds.h"
#include "tests/support/Fixtures.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace vq {
namespace {

class NodeImageCommandsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        jpeg = EncodeJpeg(test::gradientImage(1000, 500), 90);
        // Shown at 250 x 125, a quarter of its own size.
        ASSERT_TRUE(AppendNode(app().edits().editableDoc(), Picture::fromJpegBytes(jpeg), 1000, 500, 300, 300));
        app().edits().commitChange();
        app().document().SetModifiedFlag(false);
        ASSERT_TRUE(QDir().mkpath(filesDir()));
        m_previousOpener = setUrlOpener([this](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
    }
    void TearDown() override
    {
        setUrlOpener(m_previousOpener);
        FrameTest::TearDown();
    }
    QString file(const char* name) const { return filesDir() + QLatin1Char('/') + QLatin1String(name); }

    QByteArray jpeg;
    QStringList opened;

private:
    UrlOpener m_previousOpener;
};

TEST_F(NodeImageCommandsTest, AskForAFileNamedUntitledWithJpegOffered)
{
    ASSERT_TRUE(frame().executeCommand(cmd::SaveImageToFile));
    ASSERT_EQ(prompts().fileRequests.size(), 1);
    const FileRequest& asked = prompts().fileRequests.first();
    EXPECT_EQ(asked.title, QStringLiteral("保存するファイルを指定"));
    EXPECT_EQ(asked.suggestedName, QStringLiteral("無題"));
    EXPECT_EQ(asked.filter.split(QStringLiteral(";;")).value(1), JpegFileFilter());
    EXPECT_TRUE(prompts().messages.isEmpty()) << "cancelled: nothing more";
}

struct SaveCase {
    const char* name;
    const char* typed;
    bool existsBefore;
    QList<int> answers;
    const char* written;  // the file that should hold the picture; empty for none
    QList<int> asked;
    bool opensFolder;
};

class NodeImageSaveTest : public NodeImageCommandsTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(NodeImageSaveTest, SavesAsAskedAndOffersTheFolder)
{
    const SaveCase& c = GetParam();
    if (c.existsBefore) {
        ASSERT_TRUE(test::writeFile(file(c.typed), "earlier"));
    }
    prompts().files.enqueue({file(c.typed)});
    for (int a : c.answers)
        prompts().answers.enqueue(a);

    ASSERT_TRUE(frame().executeCommand(cmd::SaveImageToFile));

    EXPECT_EQ(prompts().messageIds(), c.asked) << c.name;
    if (*c.written) {
        const QByteArray saved = test::readFile(file(c.written));
        if (QFileInfo(file(c.written)).suffix() == QLatin1String("jpeg")) {
            EXPECT_EQ(saved, jpeg) << c.name << ": the picture's own bytes";
        } else {
            EXPECT_EQ(DecodeImage(saved).size(), QSize(1000, 500)) << c.name;
        }
    } else if (c.existsBefore) {
        EXPECT_EQ(test::readFile(file(c.typed)), QByteArray("earlier")) << c.name;
    } else {
        EXPECT_EQ(QDir(filesDir()).entryList(QDir::Files), QStringList{}) << c.name;
    }
    EXPECT_EQ(opened, c.opensFolder ? QStringList{filesDir()} : QStringList{}) << c.name;
    EXPECT_FALSE(app().document().isModified()) << c.name << ": the document does not change";
}

INSTANTIATE_TEST_SUITE_P(
    Choices, NodeImageSaveTest,
    ::testing::Values(
        SaveCase{"no extension becomes jpeg", "photo", false, {kIdYes}, "photo.jpeg", {30069}, true},
        SaveCase{"png at the picture's size", "photo.png", false, {kIdNo}, "photo.png", {30069}, false},
        SaveCase{"not an image type", "notes.txt", false, {}, "", {}, false},
        SaveCase{"a folder that is not there", "missing/photo.png", false, {}, "", {30018}, false},
        SaveCase{"overwrite declined", "old.jpeg", true, {kIdNo}, "", {30056}, false},
        SaveCase{"overwrite accepted", "old.jpeg", true, {kIdYes, kIdNo}, "old.jpeg", {30056, 30069}, false}));

} // namespace
} // namespace vq
