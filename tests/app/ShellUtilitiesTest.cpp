#include "shell/ShellUtilities.h"
#include "tests/support/Isolation.h"
#include "tests/support/ScriptedPrompter.h"

#include <QDir>

#include <gtest/gtest.h>

namespace vq {
namespace {

class ShellUtilitiesTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        previous = setUrlOpener([this](const QUrl& url) {
            opened << url;
            return openerWorks;
        });
    }
    void TearDown() override
    {
        setUrlOpener(previous);
        IsolatedTest::TearDown();
    }
    UrlOpener previous;
    QList<QUrl> opened;
    bool openerWorks = true;
    test::ScriptedPrompter prompts;
};

TEST_F(ShellUtilitiesTest, ShowsTheFolderOfAFile)
{
    EXPECT_TRUE(ShowFolderInExplorer(filesDir() + QStringLiteral("/picture.jpeg")));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(filesDir()));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ShellUtilitiesTest, FailureToStartAFileManagerIsReported)
{
    openerWorks = false;
    EXPECT_FALSE(ShowFolderInExplorer(filesDir() + QStringLiteral("/picture.jpeg")));
    EXPECT_FALSE(ShowFolderInExplorer(QStringLiteral("no-folder-here")));
    EXPECT_EQ(prompts.messageIds(), (QList<int>{30048, 30048}));
}

TEST_F(ShellUtilitiesTest, ChooseFolderStartsSomewhereReal)
{
    prompts.folders << filesDir();
    EXPECT_EQ(ChooseFolder(QString()), filesDir());
    EXPECT_EQ(ChooseFolder(filesDir()), QString()); // cancelled
}

TEST_F(ShellUtilitiesTest, LabelFontHasAtLeastTwoPoints)
{
    const LabelFont small = CreateLabelFont(QString(), 1, true, false, false, true, 90);
    EXPECT_EQ(small.font.pointSize(), 2);
    EXPECT_EQ(small.font.weight(), QFont::Bold);
    EXPECT_TRUE(small.font.underline());
    EXPECT_EQ(small.angle, 90);
    EXPECT_EQ(small.font.families().value(0), QStringLiteral("Meiryo UI"));
}

} // namespace
} // namespace vq
