// The preferences dialog: what it shows, what it stores and when, opened from
// the File menu as a user opens it.
#include "tests/frame/DialogAnswers.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"

#include "dialogs/PreferencesDialog.h"
#include "imaging/PreviewStore.h"
#include "base/Settings.h"
#include "resources/CommandIds.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace vq {
namespace {

const QStringList kFileMenu{QStringLiteral("ファイル(&F)")};

// What the settings file holds for a "SYS" value; nothing when it was never written.
std::optional<int> stored(Settings& settings, const SettingKey& key)
{
    settings.sync();
    const QSettings file(settings.fileName(), QSettings::IniFormat);
    const QString path = QString::fromLatin1(key.section) + QLatin1Char('/') + QString::fromLatin1(key.name);
    if (!file.contains(path))
        return std::nullopt;
    return file.value(path).toInt();
}

// ---------------------------------------------------------------------------
// The writing rules, without a window.

struct WriteCase {
    const char* name;
    SysSettings memory;
    SystemPreferences accepted;
    // Expected in the settings file afterwards; nothing = not written.
    std::optional<int> firstOpen, playAnime, speedAnime, makeBackup, dspGuide;
    SysSettings memoryAfter;
};

SysSettings sys(int play, int speed, int guide)
{
    SysSettings s;
    s.playAnime = play;
    s.speedAnime = speed;
    s.dspGuide = guide;
    return s;
}

class PreferenceWriteTest : public test::IsolatedTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(PreferenceWriteTest, StoresWhatChangedAndTheTwoSettingsOnlyValuesAlways)
{
    const WriteCase& c = GetParam();
    Settings settings;
    SysSettings memory = c.memory;
    ApplySystemPreferences(c.accepted, settings, memory);

    EXPECT_EQ(stored(settings, keys::FirstOpen), c.firstOpen);
    EXPECT_EQ(stored(settings, keys::PlayAnime), c.playAnime);
    EXPECT_EQ(stored(settings, keys::SpeedAnime), c.speedAnime);
    EXPECT_EQ(stored(settings, keys::MakeBackup), c.makeBackup);
    EXPECT_EQ(stored(settings, keys::DspGuide), c.dspGuide);
    EXPECT_EQ(memory.playAnime, c.memoryAfter.playAnime);
    EXPECT_EQ(memory.speedAnime, c.memoryAfter.speedAnime);
    EXPECT_EQ(memory.dspGuide, c.memoryAfter.dspGuide);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PreferenceWriteTest,
    ::testing::Values(
        WriteCase{"nothing_changed", sys(4, 2, 1), {false, 4, 2, true, true}, 0, {}, {}, 1, {}, sys(4, 2, 1)},
        WriteCase{"animation_off", sys(4, 2, 1), {false, 0, 2, true, true}, 0, 0, {}, 1, {}, sys(0, 2, 1)},
        WriteCase{"animation_on_again", sys(0, 2, 1), {false, 3, 2, true, true}, 0, 3, {}, 1, {}, sys(3, 2, 1)},
        WriteCase{"slower_and_no_guide", sys(4, 0, 1), {false, 4, 4, true, false}, 0, {}, 4, 1, 0, sys(4, 4, 0)},
        WriteCase{"guide_on_again", sys(4, 0, 0), {false, 4, 0, true, true}, 0, {}, {}, 1, 1, sys(4, 0, 1)},
        WriteCase{"first_open_without_backup", sys(1, 1, 1), {true, 1, 1, false, true}, 1, {}, {}, 0, {}, sys(1, 1, 1)}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

class PreferenceReadTest : public test::IsolatedTest {};

TEST_F(PreferenceReadTest, TakesTheSettingsOnlyValuesFromTheFileAndTheRestFromMemory)
{
    Settings settings;
    const SystemPreferences defaults = ReadSystemPreferences(settings, sys(3, 0, 1));
    EXPECT_FALSE(defaults.firstOpen) << "FirstOpen defaults to off";
    EXPECT_TRUE(defaults.makeBackup) << "MakeBackup defaults to on";

    settings.setValue(keys::FirstOpen, 1);
    settings.setValue(keys::MakeBackup, 0);
    settings.setValue(keys::PlayAnime, 9); // memory wins: F10 may have changed it since
    const SystemPreferences p = ReadSystemPreferences(settings, sys(0, 3, 0));
    EXPECT_TRUE(p.firstOpen);
    EXPECT_FALSE(p.makeBackup);
    EXPECT_EQ(p.playAnime, 0);
    EXPECT_EQ(p.speedAnime, 3);
    EXPECT_FALSE(p.dspGuide);
}

// ---------------------------------------------------------------------------
// What the dialog shows when it opens.

struct ShowCase {
    int playAnime, speedAnime;
    bool animeTicked;
    int countShown;
    int speedTicked;
};

class PreferenceDialogShowTest : public ::testing::TestWithParam<ShowCase> {};

TEST_P(PreferenceDialogShowTest, ShowsTheCountAndSpeedItWasGiven)
{
    const ShowCase& c = GetParam();
    SystemPreferences p;
    p.playAnime = c.playAnime;
    p.speedAnime = c.speedAnime;
    PreferencesDialog dialog(p);
    EXPECT_EQ(dialog.animeCheck()->isChecked(), c.animeTicked);
    EXPECT_EQ(dialog.countSpin()->value(), c.countShown);
    for (int i = 0; i < PreferencesDialog::kSpeedCount; ++i)
        EXPECT_EQ(dialog.speedRadio(i)->isChecked(), i == c.speedTicked) << i;
}

INSTANTIATE_TEST_SUITE_P(Counts, PreferenceDialogShowTest,
                         ::testing::Values(ShowCase{0, 0, false, 3, 0},   // off: the count is not remembered
                                           ShowCase{7, 3, true, 7, 3},    //
                                           ShowCase{1, 4, true, 1, 4},    //
                                           ShowCase{25, 5, true, 10, 0},  // hand-edited values
                                           ShowCase{-2, -1, false, 3, 0}));

TEST(PreferenceDialogLookTest, CarriesItsTextsAndTooltips)
{
    SystemPreferences p;
    p.firstOpen = true;
    p.makeBackup = false;
    p.dspGuide = true;
    PreferencesDialog dialog(p);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("システムの環境設定"));
    EXPECT_TRUE(dialog.firstOpenCheck()->isChecked());
    EXPECT_FALSE(dialog.backupCheck()->isChecked());
    EXPECT_TRUE(dialog.guideCheck()->isChecked());

    const struct {
        QAbstractButton* button;
        const char* label;
        const char* tipLine;
    } controls[] = {
        {dialog.firstOpenCheck(), "1 起動時に前回のファイルを開く(&L)", "このソフトの起動時にセットして表示します"},
        {dialog.animeCheck(), "2 イメージ上にマウスカーソルが乗ったとき、アニメを表示する(&A)",
         "※ すでに選択されているときは、表示されません"},
        {dialog.backupCheck(), "3 上書き保存時、バックアップファイルを作成する(&B)",
         "ファイル名に(back)を付けて直前のドキュメントを保存します"},
        {dialog.guideCheck(), "4 ステータスバーに操作ガイドを表示する(&G)",
         "最下段にあるステータスバーの左側に操作ガイドを表示します"},
        {dialog.saveButton(), "保存して終了(&S)", nullptr},
        {dialog.closeButton(), "閉じる(&C)", nullptr},
    };
    for (const auto& c : controls) {
        EXPECT_EQ(c.button->text(), QString::fromUtf8(c.label));
        if (c.tipLine) {
            EXPECT_TRUE(c.button->toolTip().contains(QString::fromUtf8(c.tipLine))) << c.label;
        }
    }
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text : {"[切替え:F10]", "[切替え:F2]", "表示するアニメの個数：", "(1 - 10個)", "アニメ表示速度：", "速い", "遅い"})
        EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
}

// ---------------------------------------------------------------------------
// The kept previews: their size shown, and a button that removes them.

TEST(PreviewUseTextTest, ShowsMegabytesWithADecimalWhenFew)
{
    const struct {
        std::int64_t bytes;
        const char* text;
    } cases[] = {{0, "使用中: 0 MB"},
                 {300, "使用中: 0.1 MB"},
                 {100 * 1024, "使用中: 0.1 MB"},
                 {std::int64_t(2.6 * 1024 * 1024), "使用中: 2.6 MB"},
                 {std::int64_t(123) * 1024 * 1024 + 1000, "使用中: 123 MB"},
                 {std::int64_t(500) * 1024 * 1024, "使用中: 500 MB"}};
    for (const auto& c : cases)
        EXPECT_EQ(PreviewUseText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
}

class PreferencePreviewTest : public ::testing::Test {
protected:
    QTemporaryDir m_root;
    PreviewStore m_store{m_root.path() + QStringLiteral("/previews")};

    void keepPreviews(int count)
    {
        for (int n = 0; n < count; ++n) {
            QImage preview(300, 200, QImage::Format_RGB32);
            for (int y = 0; y < preview.height(); ++y)
                for (int x = 0; x < preview.width(); ++x)
                    preview.setPixel(x, y, qRgb((x * 7 + n) % 256, (y * 13) % 256, (x * y + n) % 256));
            m_store.store(PreviewStore::keyFor(QByteArray::number(n)), {3000, 2000}, preview);
        }
    }
};

TEST_F(PreferencePreviewTest, ClearsTheKeptPreviewsAtOnceAndLeavesTheSettingsAlone)
{
    keepPreviews(3);
    const std::int64_t used = m_store.usedBytes();
    ASSERT_GT(used, 0);
    SystemPreferences p;
    p.firstOpen = true;
    PreferencesDialog dialog(p, &m_store);
    dialog.show();
    QPushButton* clear = dialog.clearPreviewsButton();
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->text(), QStringLiteral("プレビューのキャッシュを削除(&P)"));
    EXPECT_TRUE(clear->toolTip().contains(QStringLiteral("すぐに表示できるように保存しています")));
    EXPECT_EQ(dialog.previewUseLabel()->text(), PreviewUseText(used));
    EXPECT_TRUE(clear->isEnabled());

    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(m_store.usedBytes(), 0);
    EXPECT_TRUE(m_store.load(PreviewStore::keyFor(QByteArray::number(0)), {3000, 2000}).isNull());
    EXPECT_EQ(dialog.previewUseLabel()->text(), QStringLiteral("使用中: 0 MB"));
    EXPECT_FALSE(clear->isEnabled()) << "nothing left to remove";
    EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(dialog.values().firstOpen);
}

TEST_F(PreferencePreviewTest, OffersNothingToClearWhenEmptyOrWithoutAStore)
{
    PreferencesDialog empty(SystemPreferences{}, &m_store);
    ASSERT_NE(empty.clearPreviewsButton(), nullptr);
    EXPECT_FALSE(empty.clearPreviewsButton()->isEnabled());
    EXPECT_EQ(empty.previewUseLabel()->text(), QStringLiteral("使用中: 0 MB"));

    PreferencesDialog without(SystemPreferences{});
    EXPECT_EQ(without.clearPreviewsButton(), nullptr);
    EXPECT_EQ(without.previewUseLabel(), nullptr);
}

// ---------------------------------------------------------------------------
// The command, driven through the dialog.

struct UserCase {
    const char* name;
    SysSettings memory;
    std::function<void(PreferencesDialog*)> act;
    bool save; // "保存して終了" or "閉じる"
    // Expected afterwards; memory-held values start as kUntouched in the file.
    int firstOpen, playAnime, speedAnime, makeBackup, dspGuide;
    SysSettings memoryAfter;
};

constexpr int kUntouched = 99;

void typeCount(PreferencesDialog* d, const char* typed)
{
    auto* edit = d->countSpin()->findChild<QLineEdit*>();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, QString::fromUtf8(typed));
}

class PreferencesCommandTest : public test::FrameTest, public ::testing::WithParamInterface<UserCase> {};

TEST_P(PreferencesCommandTest, StoresWhatTheUserChose)
{
    const UserCase& c = GetParam();
    start();
    Settings& settings = app().settings();
    settings.setValue(keys::FirstOpen, 0);
    settings.setValue(keys::MakeBackup, 1);
    settings.setValue(keys::PlayAnime, kUntouched);
    settings.setValue(keys::SpeedAnime, kUntouched);
    settings.setValue(keys::DspGuide, kUntouched);
    app().sys().playAnime = c.memory.playAnime;
    app().sys().speedAnime = c.memory.speedAnime;
    app().sys().dspGuide = c.memory.dspGuide;

    test::DialogAnswers answers;
    answers.answer<PreferencesDialog>([&](PreferencesDialog& d) {
        c.act(&d);
        QTest::mouseClick(c.save ? d.saveButton() : d.closeButton(), Qt::LeftButton);
    });
    clickMenuItem(kFileMenu, cmd::Preferences);
    ASSERT_EQ(answers.runs(), 1);
    ASSERT_TRUE(answers.unanswered().isEmpty());

    EXPECT_EQ(stored(settings, keys::FirstOpen), c.firstOpen);
    EXPECT_EQ(stored(settings, keys::PlayAnime), c.playAnime);
    EXPECT_EQ(stored(settings, keys::SpeedAnime), c.speedAnime);
    EXPECT_EQ(stored(settings, keys::MakeBackup), c.makeBackup);
    EXPECT_EQ(stored(settings, keys::DspGuide), c.dspGuide);
    EXPECT_EQ(app().sys().playAnime, c.memoryAfter.playAnime);
    EXPECT_EQ(app().sys().speedAnime, c.memoryAfter.speedAnime);
    EXPECT_EQ(app().sys().dspGuide, c.memoryAfter.dspGuide);
    // The F10 item's mark follows at once.
    EXPECT_EQ(frame().action(cmd::AnimeToggle)->isChecked(), c.memoryAfter.playAnime > 0);
}

const auto nothing = [](PreferencesDialog*) {};

INSTANTIATE_TEST_SUITE_P(
    Dialog, PreferencesCommandTest,
    ::testing::Values(
        UserCase{"save_unchanged", sys(5, 2, 1), nothing, true, 0, kUntouched, kUntouched, 1, kUntouched, sys(5, 2, 1)},
        UserCase{"animation_off", sys(5, 2, 1),
                 [](PreferencesDialog* d) { QTest::mouseClick(d->animeCheck(), Qt::LeftButton); }, true, 0, 0, kUntouched, 1,
                 kUntouched, sys(0, 2, 1)},
        UserCase{"animation_on_again_takes_three", sys(0, 2, 1),
                 [](PreferencesDialog* d) { QTest::mouseClick(d->animeCheck(), Qt::LeftButton); }, true, 0, 3, kUntouched, 1,
                 kUntouched, sys(3, 2, 1)},
        UserCase{"typed_zero_stores_one", sys(5, 2, 1), [](PreferencesDialog* d) { typeCount(d, "0"); }, true, 0, 1,
                 kUntouched, 1, kUntouched, sys(1, 2, 1)},
        UserCase{"typed_25_stores_ten", sys(5, 2, 1), [](PreferencesDialog* d) { typeCount(d, "25"); }, true, 0, 10,
                 kUntouched, 1, kUntouched, sys(10, 2, 1)},
        UserCase{"typed_count_ignored_when_off", sys(5, 2, 1),
                 [](PreferencesDialog* d) {
                     typeCount(d, "8");
                     QTest::mouseClick(d->animeCheck(), Qt::LeftButton);
                 },
                 true, 0, 0, kUntouched, 1, kUntouched, sys(0, 2, 1)},
        UserCase{"slowest_speed", sys(5, 0, 1),
                 [](PreferencesDialog* d) { QTest::mouseClick(d->speedRadio(4), Qt::LeftButton); }, true, 0, kUntouched, 4, 1,
                 kUntouched, sys(5, 4, 1)},
        UserCase{"guide_off", sys(5, 0, 1), [](PreferencesDialog* d) { QTest::mouseClick(d->guideCheck(), Qt::LeftButton); },
                 true, 0, kUntouched, kUntouched, 1, 0, sys(5, 0, 0)},
        UserCase{"first_open_without_backup", sys(5, 0, 1),
                 [](PreferencesDialog* d) {
                     QTest::mouseClick(d->firstOpenCheck(), Qt::LeftButton);
                     QTest::mouseClick(d->backupCheck(), Qt::LeftButton);
                 },
                 true, 1, kUntouched, kUntouched, 0, kUntouched, sys(5, 0, 1)},
        UserCase{"close_changes_nothing", sys(5, 2, 1),
                 [](PreferencesDialog* d) {
                     for (QAbstractButton* b : {static_cast<QAbstractButton*>(d->firstOpenCheck()),
                                                static_cast<QAbstractButton*>(d->animeCheck()),
                                                static_cast<QAbstractButton*>(d->speedRadio(3)),
                                                static_cast<QAbstractButton*>(d->backupCheck()),
                                                static_cast<QAbstractButton*>(d->guideCheck())})
                         QTest::mouseClick(b, Qt::LeftButton);
                 },
                 false, 0, kUntouched, kUntouched, 1, kUntouched, sys(5, 2, 1)}),
    [](const ::testing::TestParamInfo<UserCase>& info) { return std::string(info.param.name); });

class PreferencesPreviewCommandTest : public test::FrameTest {};

TEST_F(PreferencesPreviewCommandTest, OffersTheProgramsOwnPreviewStore)
{
    start();
    test::DialogAnswers answers;
    QString shown;
    answers.answer<PreferencesDialog>([&](PreferencesDialog& d) {
        if (d.clearPreviewsButton())
            shown = d.previewUseLabel()->text();
        QTest::mouseClick(d.closeButton(), Qt::LeftButton);
    });
    clickMenuItem(kFileMenu, cmd::Preferences);
    ASSERT_EQ(answers.runs(), 1);
    EXPECT_EQ(shown, PreviewUseText(PreviewStore::instance().usedBytes()));
}

class PreferencesGuideTest : public test::FrameTest {};

TEST_F(PreferencesGuideTest, SwitchingTheGuideOffClearsTheGuideShown)
{
    start();
    app().sys().dspGuide = 1;
    bar().ShowGuideText(QStringLiteral("ドラッグで移動します"));
    test::ModalDriver<PreferencesDialog> driver([](PreferencesDialog* d) {
        QTest::mouseClick(d->guideCheck(), Qt::LeftButton);
        QTest::mouseClick(d->saveButton(), Qt::LeftButton);
    });
    clickMenuItem(kFileMenu, cmd::Preferences);
    ASSERT_TRUE(waitFor([&] { return driver.ran() && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(bar().guideText(), QString());
}

} // namespace
} // namespace vq
