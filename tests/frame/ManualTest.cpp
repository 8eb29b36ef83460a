// The manual command (F1 and the Help menu): the PDF shown in its own window,
// or the message naming the missing file.
#include "tests/frame/FrameFixture.h"

#include "app/SystemCommands.h"
#include "dialogs/ManualWindow.h"
#include "resources/CommandIds.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfView>
#include <QPdfWriter>
#include <QTest>

#include <gtest/gtest.h>

namespace vq {
namespace {

void writePdf(const QString& path, int pages)
{
    QDir().mkpath(QFileInfo(path).path());
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.drawText(QPointF(200, 200), QStringLiteral("取扱説明書 %1").arg(i + 1));
    }
}

enum class Layout { None, NextToProgram, Installed, Both, NotAPdf };

struct ManualCase {
    const char* name;
    Layout layout;
    bool window;
    const char* shownFrom; // relative to the prefix; empty when none
    QList<int> messages;
};

class ManualTest : public test::FrameTest, public ::testing::WithParamInterface<ManualCase> {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        prefix = filesDir() + QStringLiteral("/usr");
        programFolder = prefix + QStringLiteral("/bin");
        QDir().mkpath(programFolder);
        wireSystemCommands(frame(), programFolder);
    }
    ManualWindow* manualWindow() { return frame().findChild<ManualWindow*>(); }

    QString prefix;
    QString programFolder;
};

TEST_P(ManualTest, F1ShowsTheManualOrNamesTheMissingFile)
{
    const ManualCase& c = GetParam();
    const QString beside = programFolder + QStringLiteral("/Manual.pdf");
    const QString installed = prefix + QStringLiteral("/share/velquin/Manual.pdf");
    switch (c.layout) {
    case Layout::None: break;
    case Layout::NextToProgram: writePdf(beside, 2); break;
    case Layout::Installed: writePdf(installed, 3); break;
    case Layout::Both:
        writePdf(beside, 2);
        writePdf(installed, 3);
        break;
    case Layout::NotAPdf: {
        QFile file(beside);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is no PDF\n");
        break;
    }
    }

    QTest::keyClick(canvas(), Qt::Key_F1);

    EXPECT_EQ(prompts().messageIds(), c.messages);
    if (c.messages == QList<int>{30173}) {
        const MessageRequest& m = prompts().messages.first();
        EXPECT_EQ(m.fullText(), QStringLiteral("Manual.pdf\n実行ファイルと同じ場所に上記のファイルがありません"));
        EXPECT_EQ(m.style, kStyleInfo);
    }
    ManualWindow* window = manualWindow();
    ASSERT_EQ(window != nullptr, c.window);
    if (!window)
        return;
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Manual"));
    EXPECT_EQ(window->path(), QDir::cleanPath(prefix + QLatin1Char('/') + QString::fromUtf8(c.shownFrom)));
    EXPECT_EQ(window->document()->status(), QPdfDocument::Status::Ready);
    EXPECT_EQ(window->document()->pageCount(), c.layout == Layout::Installed ? 3 : 2);
    EXPECT_EQ(window->view()->document(), window->document());

    // Pressed again, the one window comes forward instead of a second.
    QTest::keyClick(canvas(), Qt::Key_F1);
    EXPECT_EQ(frame().findChildren<ManualWindow*>().size(), 1);
    // The offscreen platform leaves the main window active; a window
    // system hands activation to the window just raised.
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(waitFor([window] { return QApplication::activeWindow() == window; }));
    QTest::keyClick(window->view(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([this] { return manualWindow() == nullptr; })) << "Esc closes the window, and it goes";
}

INSTANTIATE_TEST_SUITE_P(
    Places, ManualTest,
    ::testing::Values(ManualCase{"missing", Layout::None, false, "", {30173}},
                      ManualCase{"next_to_the_program", Layout::NextToProgram, true, "bin/Manual.pdf", {}},
                      ManualCase{"installed_data_folder", Layout::Installed, true, "share/velquin/Manual.pdf", {}},
                      ManualCase{"the_one_beside_the_program_first", Layout::Both, true, "bin/Manual.pdf", {}},
                      ManualCase{"not_a_pdf", Layout::NotAPdf, false, "", {30026}}),
    [](const ::testing::TestParamInfo<ManualCase>& info) { return std::string(info.param.name); });

class ManualMenuTest : public test::FrameTest {};

TEST_F(ManualMenuTest, TheHelpMenuOpensItToo)
{
    start();
    const QString folder = filesDir() + QStringLiteral("/bin");
    writePdf(folder + QStringLiteral("/Manual.pdf"), 1);
    wireSystemCommands(frame(), folder);
    clickMenuItem({QStringLiteral("ヘルプ(&H)")}, cmd::Manual);
    auto* window = frame().findChild<ManualWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->document()->pageCount(), 1);
    EXPECT_TRUE(prompts().messages.isEmpty());
}

} // namespace
} // namespace vq
