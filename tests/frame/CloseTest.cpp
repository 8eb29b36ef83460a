#include "tests/frame/FrameFixture.h"

#include "resources/CommandIds.h"
#include "base/Settings.h"
#include "model/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace vq::test {
namespace {

using CloseTest = FrameTest;

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST_F(CloseTest, ExitWritesTheSysValuesAndRemovesUndoSnapshots)
{
    start();
    SysSettings& sys = app().sys();
    sys.playAnime = 0;
    sys.speedAnime = 4;
    sys.dspGuide = 0;
    sys.dspOverlap = 0;
    sys.multiCntX = 3;
    sys.multiCntY = 2;
    sys.multiMarginX = 0.025f;
    sys.multiMarginY = 0.0f;
    sys.multiExt = 2;
    sys.snap = 0;

    const QString work = GetWorkFolder();
    ASSERT_FALSE(work.isEmpty());
    for (const char* name : {"VQD1A2B.tmp", "vqdlower", "VqDmixed.tmp", "photo.vqd", "notes.txt"})
        touch(work + '/' + name);
    ASSERT_TRUE(QDir(work).mkdir(QStringLiteral("VQDfolder")));

    clickMenuItem({"ファイル(&F)"}, cmd::Exit);
    EXPECT_FALSE(frame().isVisible());
    finish();

    QStringList left = QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(left, (QStringList{"VQDfolder", "notes.txt", "photo.vqd"}));

    const Settings stored;
    EXPECT_EQ(stored.value(keys::PlayAnime), 0);
    EXPECT_EQ(stored.value(keys::SpeedAnime), 4);
    EXPECT_EQ(stored.value(keys::DspGuide), 0);
    EXPECT_EQ(stored.value(keys::DspOverlap), 0);
    EXPECT_EQ(stored.value(keys::MultiCntX), 3);
    EXPECT_EQ(stored.value(keys::MultiCntY), 2);
    EXPECT_EQ(stored.value(keys::MultiMaX), 25);
    EXPECT_EQ(stored.value(keys::MultiMaY), 0);
    EXPECT_EQ(stored.value(keys::MultiExt), 2);
    EXPECT_EQ(stored.value(keys::Snap), 0);
}

TEST_F(CloseTest, CleaningLooksAtNoMoreThanAHundredEntries)
{
    start();
    const QString work = GetWorkFolder();
    constexpr int kFiles = 150;
    for (int i = 0; i < kFiles; ++i)
        touch(work + QStringLiteral("/VQD%1.tmp").arg(i));
    finish();
    const int left = static_cast<int>(QDir(work).entryList(QDir::Files).size());
    EXPECT_GE(left, kFiles - 100);
    EXPECT_LT(left, kFiles);
}

TEST_F(CloseTest, CloseGuardCanKeepTheWindowOpen)
{
    start();
    bool allow = false;
    int asked = 0;
    frame().setCloseGuard([&] {
        ++asked;
        return allow;
    });
    EXPECT_FALSE(frame().close());
    EXPECT_TRUE(frame().isVisible());
    allow = true;
    EXPECT_TRUE(frame().close());
    EXPECT_EQ(asked, 2);
}

} // namespace
} // namespace vq::test
