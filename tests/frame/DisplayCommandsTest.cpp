#include "tests/frame/FrameFixture.h"

#include "resources/CommandIds.h"
#include "app/CommandTable.h"
#include "edit/EditSession.h"
#include "base/Settings.h"

#include <QApplication>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <set>

namespace vq::test {
namespace {

class DisplayCommandsTest : public FrameTest {
protected:
    int gridMode() { return app().doc().state.gridMode; }
    void chooseGrid(int id) { clickMenuItem({"表示(&V)", "グリッド(&G)"}, id); }
    bool checked(int id) { return frame().action(id)->isChecked(); }
};

TEST_F(DisplayCommandsTest, ChoosingNoneTwiceBringsTheLastGridBack)
{
    start();
    QSignalSpy modified(&app().edits(), &EditSession::documentChanged);
    chooseGrid(cmd::Grid40);
    EXPECT_EQ(gridMode(), 2);
    EXPECT_TRUE(checked(cmd::Grid40));
    EXPECT_FALSE(checked(cmd::GridNone));

    chooseGrid(cmd::GridNone);
    EXPECT_EQ(gridMode(), -2);
    EXPECT_TRUE(checked(cmd::GridNone));
    EXPECT_FALSE(checked(cmd::Grid40));
    EXPECT_FALSE(checked(cmd::GridButton));

    chooseGrid(cmd::GridNone);
    EXPECT_EQ(gridMode(), 2);
    EXPECT_TRUE(checked(cmd::Grid40));
    EXPECT_EQ(modified.count(), 3);
}

TEST_F(DisplayCommandsTest, ToolbarGridButtonRestoresTheLastStyle)
{
    start();
    chooseGrid(cmd::GridCross);
    chooseGrid(cmd::GridNone);
    ASSERT_EQ(gridMode(), -5);
    QSignalSpy modified(&app().edits(), &EditSession::documentChanged);
    clickToolButton(cmd::GridButton);
    EXPECT_EQ(gridMode(), 5);
    EXPECT_TRUE(checked(cmd::GridButton));
    EXPECT_TRUE(checked(cmd::GridCross));
    clickToolButton(cmd::GridButton);
    EXPECT_EQ(gridMode(), -5);
    EXPECT_FALSE(checked(cmd::GridButton));
    EXPECT_EQ(modified.count(), 2);
}

TEST_F(DisplayCommandsTest, GridInFrontModifiesTheDocumentButOverlapDisplayDoesNot)
{
    start();
    QSignalSpy modified(&app().edits(), &EditSession::documentChanged);
    const int overlap = app().sys().dspOverlap;

    clickMenuItem({"表示(&V)"}, cmd::GridOnTop);
    EXPECT_EQ(app().doc().state.gridOnTop, 1);
    EXPECT_TRUE(checked(cmd::GridOnTop));
    EXPECT_EQ(modified.count(), 1);

    clickMenuItem({"表示(&V)"}, cmd::Overlap);
    EXPECT_EQ(app().sys().dspOverlap, overlap ? 0 : 1);
    EXPECT_EQ(checked(cmd::Overlap), !overlap);
    clickToolButton(cmd::Overlap);
    EXPECT_EQ(app().sys().dspOverlap, overlap);
    EXPECT_EQ(modified.count(), 1);
}

TEST_F(DisplayCommandsTest, SnapIsOnByDefaultAndSwitchesFromTheViewMenuAndTheToolbar)
{
    start();
    QSignalSpy modified(&app().edits(), &EditSession::documentChanged);
    ASSERT_EQ(app().sys().snap, 1);
    QAction* snap = frame().action(cmd::Snap);
    ASSERT_NE(snap, nullptr);
    EXPECT_EQ(snap->text(), QStringLiteral("スナップ(&N)"));
    EXPECT_EQ(snap->toolTip(), QStringLiteral("【スナップ】"));
    EXPECT_FALSE(snap->statusTip().isEmpty());
    frame().updateCommandStates();
    EXPECT_TRUE(checked(cmd::Snap));

    clickMenuItem({"表示(&V)"}, cmd::Snap);
    EXPECT_EQ(app().sys().snap, 0);
    EXPECT_FALSE(checked(cmd::Snap));
    clickToolButton(cmd::Snap);
    EXPECT_EQ(app().sys().snap, 1);
    EXPECT_TRUE(checked(cmd::Snap));
    EXPECT_EQ(modified.count(), 0) << "a setting of the program, not of the document";
}

TEST_F(DisplayCommandsTest, F2TurnsTheGuideOffWithAMessageThatClearsAfterASecond)
{
    start();
    ASSERT_EQ(app().sys().dspGuide, 1);
    QTest::keyClick(canvas(), Qt::Key_F2);
    EXPECT_EQ(app().sys().dspGuide, 0);
    EXPECT_EQ(bar().visibleInfoText(), QStringLiteral("ステータスバーに操作ガイドを表示しないように設定しました"));
    EXPECT_TRUE(bar().infoArea()->isVisible());
    EXPECT_TRUE(waitFor([&] { return bar().visibleInfoText().isEmpty(); }));
    EXPECT_FALSE(bar().infoArea()->isVisible());
}

TEST_F(DisplayCommandsTest, F2TurningTheGuideBackOnKeepsItsMessage)
{
    start();
    QTest::keyClick(canvas(), Qt::Key_F2);
    QTest::keyClick(canvas(), Qt::Key_F2);
    EXPECT_EQ(app().sys().dspGuide, 1);
    const QString on = QStringLiteral("ステータスバーに操作ガイドを表示するように設定しました");
    EXPECT_EQ(bar().visibleInfoText(), on);
    // Past the moment the "off" message would have been cleared.
    QTest::qWait(1300);
    EXPECT_EQ(bar().visibleInfoText(), on);
}

struct AnimeCase {
    int stored;    // "PlayAnime" in the settings
    int running;   // the count in memory before F10
    int expected;
};

class AnimeKeyTest : public FrameTest, public ::testing::WithParamInterface<AnimeCase> {};

TEST_P(AnimeKeyTest, F10SwitchesTheHoverAnimation)
{
    const AnimeCase c = GetParam();
    app().settings().setValue(keys::PlayAnime, c.stored);
    start();
    app().sys().playAnime = c.running;
    QTest::keyClick(canvas(), Qt::Key_F10);
    EXPECT_EQ(app().sys().playAnime, c.expected);
    EXPECT_EQ(frame().action(cmd::AnimeToggle)->isChecked(), c.expected > 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, AnimeKeyTest,
                         ::testing::Values(AnimeCase{0, 0, 3}, AnimeCase{5, 0, 5}, AnimeCase{3, 3, 0},
                                           AnimeCase{0, 7, 0}));

TEST_F(DisplayCommandsTest, ChosenStyleIsMarkedStoredAndAppliedAtTheNextStart)
{
    start();
    EXPECT_TRUE(checked(cmd::StyleOffice2007Black));
    const QColor black = qApp->palette().color(QPalette::Window);
    EXPECT_LT(black.lightness(), 100);

    clickMenuItem({"表示(&V)", "スタイル(&A)"}, cmd::StyleOffice2003);
    EXPECT_TRUE(checked(cmd::StyleOffice2003));
    EXPECT_FALSE(checked(cmd::StyleOffice2007Black));
    EXPECT_EQ(app().settings().value(keys::ApplicationLook), cmd::StyleOffice2003);
    EXPECT_NE(qApp->palette().color(QPalette::Window), black);

    clickMenuItem({"表示(&V)", "スタイル(&A)", "Office 2007(&7)"}, cmd::StyleOffice2007Aqua);
    EXPECT_EQ(app().settings().value(keys::ApplicationLook), cmd::StyleOffice2007Aqua);

    app().settings().setValue(keys::ApplicationLook, cmd::StyleWin2000);
    finish();
    Application again;
    ASSERT_TRUE(again.InitInstance({QStringLiteral("velquin")}));
    EXPECT_TRUE(again.mainFrame->action(cmd::StyleWin2000)->isChecked());
    // The look draws through a proxy over the Qt style it names.
    const QStyle* style = QApplication::style();
    if (const auto* proxy = qobject_cast<const QProxyStyle*>(style))
        style = proxy->baseStyle();
    EXPECT_EQ(style->name().toLower(), QStringLiteral("windows"));
}

TEST_F(DisplayCommandsTest, EveryLookHasItsOwnPalette)
{
    start();
    std::set<QRgb> windows;
    int looks = 0;
    for (const CommandInfo& info : commandTable()) {
        if (info.check != CheckRule::Style)
            continue;
        ++looks;
        frame().action(info.id)->trigger();
        EXPECT_EQ(app().appLook, info.id);
        windows.insert(qApp->palette().color(QPalette::Window).rgb());
    }
    EXPECT_EQ(static_cast<int>(windows.size()), looks);
}

} // namespace
} // namespace vq::test
