// The node and canvas property dialogs and the pieces they share, driven
// through the frame's commands and the canvas the way a user drives them.
#include "tests/frame/DialogAnswers.h"
#include "tests/frame/FrameFixture.h"
#include "tests/frame/ModalDriver.h"

#include "app/DocumentController.h"
#include "shell/ShellUtilities.h"
#include "dialogs/BalloonTip.h"
#include "dialogs/ImagePropertiesDialog.h"
#include "dialogs/CanvasPropertiesDialog.h"
#include "dialogs/ColorPickerButton.h"
#include "dialogs/FrameStyleCombo.h"
#include "dialogs/NumberSpin.h"
#include "dialogs/PicturePreview.h"
#include "model/Document.h"
#include "base/TextUtil.h"
#include "model/UndoHistory.h"
#include "resources/CommandIds.h"
#include "tests/support/Fixtures.h"
#include "view/CanvasView.h"
#include "render/FrameSamples.h"
#include "render/Painters.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

PicturePtr jpeg(int w, int h, QColor colour = QColor(200, 80, 40))
{
    return Picture::fromJpegBytes(test::makeJpeg(w, h, colour));
}

// Runs `open`, which runs a `Dialog`, and drives the dialog with `drive`
// through the dialog seam, before the command goes on. A dialog left open is
// closed. False when no such dialog came.
template <typename Dialog>
bool whileOpen(const std::function<void()>& open, const std::function<void(Dialog&)>& drive)
{
    test::DialogAnswers answers;
    bool ran = false;
    answers.answer<Dialog>([&](Dialog& dialog) {
        ran = true;
        drive(dialog);
        if (dialog.isVisible())
            dialog.reject();
    });
    open();
    EXPECT_TRUE(answers.unanswered().isEmpty()) << answers.unanswered().join(QLatin1Char(' ')).toStdString();
    return ran;
}

// As whileOpen, but the command really runs the dialog modally and the test
// acts from inside its loop, as the program runs it.
template <typename Dialog>
bool whileModal(const std::function<void()>& open, const std::function<void(Dialog&)>& drive)
{
    bool ran = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = test::activeModalDialog<Dialog>();
        if (!dialog || ran)
            return;
        ran = true;
        poll.stop();
        // Keys go where a user's keys go only once the dialog is active:
        // before that the main window's shortcuts would take them.
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        drive(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    open();
    return ran;
}

// Clicks the up or down arrow of a number field.
void clickArrow(NumberSpin* spin, bool up)
{
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    option.frame = true;
    const QRect arrow = spin->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                                      up ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown, spin);
    QTest::mouseClick(spin, Qt::LeftButton, {}, arrow.center());
}

void typeInto(NumberSpin* spin, const QString& text)
{
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(spin, Qt::Key_Delete);
    QTest::keyClicks(spin, text);
}

// The offscreen platform hands activation to the main window once a popup
// has closed (X11 gives it back to the dialog); keys typed next must reach
// the dialog as they would on a desktop.
void makeActive(QWidget* window)
{
    QCoreApplication::processEvents();
    if (QApplication::activeWindow() != window) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
}

// Picks colour `index` of the picker's palette (-1: the automatic entry,
// -2: other colours) with the mouse.
void pickColour(ColorPickerButton* picker, int index)
{
    QTest::mouseClick(picker, Qt::LeftButton);
    QFrame* palette = picker->palette();
    ASSERT_NE(palette, nullptr);
    ASSERT_TRUE(palette->isVisible());
    const QString name = index == -1   ? QStringLiteral("automatic")
                         : index == -2 ? QStringLiteral("otherColors")
                                       : QStringLiteral("color%1").arg(index);
    auto* swatch = palette->findChild<QToolButton*>(name);
    ASSERT_NE(swatch, nullptr) << name.toStdString();
    QTest::mouseClick(swatch, Qt::LeftButton);
    makeActive(picker->window());
}

// ---------------------------------------------------------------- pieces

class SharedPiecesTest : public test::IsolatedTest {
protected:
    test::ScriptedPrompter prompts;
};

TEST_F(SharedPiecesTest, BalloonTipsKeepTheirLinesAndStayWithin512Pixels)
{
    const QFont font = QToolTip::font();
    struct Case {
        QString text;
        bool wraps;
    };
    const Case cases[] = {
        {QStringLiteral("【表示】\n原本の取得先を表示します。"), false},
        {QStringLiteral("【長い】\n") + QString(80, QChar(0x3042)), true},
        {QStringLiteral("word ").repeated(60).trimmed(), true},
        {QStringLiteral("一行目\n　全角の字下げ"), false},
    };
    for (const Case& c : cases) {
        const QStringList lines = BalloonTipLines(c.text, font);
        SCOPED_TRACE(c.text.left(20).toStdString());
        for (const QString& line : lines)
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(line), kBalloonTipMaxWidth) << line.toStdString();
        QString joined = lines.join(QString());
        QString expected = c.text;
        expected.remove(QLatin1Char('\n'));
        expected.remove(QLatin1Char(' '));
        joined.remove(QLatin1Char(' '));
        EXPECT_EQ(joined, expected) << "nothing is lost in wrapping";
        if (!c.wraps) {
            EXPECT_EQ(lines, c.text.split(QLatin1Char('\n')));
        }
    }
    QWidget widget;
    SetBalloonTip(&widget, QStringLiteral("a < b\n　字下げ"));
    EXPECT_TRUE(widget.toolTip().contains(QStringLiteral("a &lt; b<br>　字下げ")));
    EXPECT_TRUE(widget.toolTip().contains(QStringLiteral("white-space:pre")));
    SetBalloonTip(&widget, {});
    EXPECT_TRUE(widget.toolTip().isEmpty());
}

TEST_F(SharedPiecesTest, FrameStyleSamplesAreDrawnInTheirStylesOnTransparentWhite)
{
    QList<QImage> samples;
    for (int style = 0; style <= 5; ++style) {
        const QImage s = FrameStyleSample(style);
        ASSERT_EQ(s.size(), QSize(48, 6));
        int opaque = 0;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x) {
                const QRgb p = s.pixel(x, y);
                EXPECT_FALSE(qAlpha(p) != 0 && (p & 0xFFFFFF) == 0xFFFFFF) << "white stays transparent";
                opaque += qAlpha(p) != 0;
            }
        EXPECT_GT(opaque, 0) << "style " << style << " draws something";
        for (const QImage& earlier : samples)
            EXPECT_NE(s, earlier) << "style " << style << " looks like another";
        samples << s;
    }
    // The solid line runs across; the dashes leave gaps; the double line
    // has a transparent middle between two lines.
    const auto columnHasInk = [](const QImage& s, int x) {
        for (int y = 0; y < s.height(); ++y)
            if (qAlpha(s.pixel(x, y)) != 0)
                return true;
        return false;
    };
    int solidGaps = 0;
    int dashGaps = 0;
    for (int x = 0; x < 48; ++x) {
        solidGaps += !columnHasInk(samples[StoredFrameStyle(FrameStyle::Solid)], x);
        dashGaps += !columnHasInk(samples[StoredFrameStyle(FrameStyle::Dash)], x);
    }
    EXPECT_EQ(solidGaps, 0);
    EXPECT_GT(dashGaps, 0);
    const QImage& twin = samples[StoredFrameStyle(FrameStyle::Double)];
    const int mid = 24;
    QString column;
    for (int y = 0; y < 6; ++y)
        column += qAlpha(twin.pixel(mid, y)) ? QLatin1Char('#') : QLatin1Char('.');
    EXPECT_TRUE(column.contains(QStringLiteral("#.#"))) << column.toStdString();
    const QImage unknown = FrameStyleSample(9);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 48; ++x)
            EXPECT_EQ(qAlpha(unknown.pixel(x, y)), 0);

    FrameStyleCombo combo;
    ASSERT_EQ(combo.count(), 6);
    EXPECT_EQ(combo.iconSize(), QSize(48, 6));
    for (int i = 0; i < combo.count(); ++i) {
        EXPECT_EQ(combo.itemText(i), FrameStyleNames()[i]);
        // The painter's shape, in the list's text colour.
        const QImage icon = combo.itemIcon(i).pixmap(QSize(48, 6)).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(icon.size(), QSize(48, 6));
        const QRgb ink = combo.palette().color(QPalette::Text).rgb() & 0xFFFFFF;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 48; ++x) {
                EXPECT_EQ(qAlpha(icon.pixel(x, y)), qAlpha(samples[i].pixel(x, y))) << i << " at " << x << "," << y;
                if (qAlpha(icon.pixel(x, y)) == 255) {
                    EXPECT_EQ(icon.pixel(x, y) & 0xFFFFFF, ink);
                }
            }
    }
}

TEST_F(SharedPiecesTest, ColourPickerOffersFiveColumnsOtherColoursAndTheAutomaticEntry)
{
    QWidget window;
    auto* picker = new ColorPickerButton(&window);
    picker->setAutomatic(QStringLiteral("枠線なし"), kNoColor);
    picker->setColor(0x123456);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy chosen(picker, &ColorPickerButton::colorChosen);

    QTest::mouseClick(picker, Qt::LeftButton);
    QFrame* palette = picker->palette();
    ASSERT_NE(palette, nullptr);
    const auto swatch = [palette](int i) { return palette->findChild<QToolButton*>(QStringLiteral("color%1").arg(i)); };
    for (int i = 0; i < ColorPickerButton::paletteColors().size(); ++i) {
        ASSERT_NE(swatch(i), nullptr);
        const QPoint at = swatch(i)->pos();
        const QPoint rowStart = swatch(i - i % 5)->pos();
        EXPECT_EQ(at.y(), rowStart.y()) << i;
        if (i >= 5) {
            EXPECT_EQ(at.x(), swatch(i - 5)->pos().x()) << i << " is under " << i - 5;
        }
        if (i % 5 == 4 && i + 1 < ColorPickerButton::paletteColors().size()) {
            EXPECT_GT(swatch(i + 1)->pos().y(), at.y()) << "five to a row";
        }
    }
    palette->close();

    struct Case {
        int pick; // palette index, -1 automatic, -2 other colours
        QColor answer; // for other colours; invalid = cancelled
        ColorRef expected;
        bool emitted;
    };
    const Case cases[] = {
        {13, {}, ColorPickerButton::paletteColors()[13], true},
        {-1, {}, kNoColor, true},
        {-2, QColor(1, 2, 3), 0x030201, true},
        {-2, QColor(), 0x030201, false}, // cancelled: unchanged
        {0, {}, 0x000000, true},
    };
    for (const Case& c : cases) {
        chosen.clear();
        if (c.pick == -2)
            prompts.colors.enqueue(c.answer);
        pickColour(picker, c.pick);
        EXPECT_EQ(picker->color(), c.expected) << c.pick;
        EXPECT_EQ(chosen.size(), c.emitted ? 1 : 0) << c.pick;
        if (c.emitted) {
            EXPECT_EQ(chosen.first().first().value<ColorRef>(), c.expected);
        }
        EXPECT_TRUE(!picker->palette() || !picker->palette()->isVisible()) << "the palette closes";
    }
    picker->setColor(kNoColor);
    EXPECT_EQ(picker->text(), QStringLiteral("枠線なし"));
}

TEST_F(SharedPiecesTest, NumberFieldsStepFromTheTypedNumberWithinTheirRange)
{
    NumberSpin spin;
    spin.setRange(500, 10000);
    spin.setThousandsSeparators(true);
    spin.setValue(9999);
    spin.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&spin));
    QSignalSpy stepped(&spin, &NumberSpin::stepped);
    EXPECT_EQ(spin.text(), QStringLiteral("9,999"));

    struct Case {
        const char* typed; // nullptr: keep the text
        int key;
        const char* shown;
        int value;
    };
    const Case cases[] = {
        {nullptr, Qt::Key_Up, "10,000", 10000},
        {nullptr, Qt::Key_Up, "10,000", 10000}, // held at the top
        {"700", Qt::Key_Down, "699", 699},
        {"12000", 0, "12000", 12000},           // typing alone is free and unannounced
        {"300", Qt::Key_Down, "500", 500},
    };
    for (const Case& c : cases) {
        stepped.clear();
        if (c.typed)
            typeInto(&spin, QString::fromLatin1(c.typed));
        if (c.key)
            QTest::keyClick(&spin, Qt::Key(c.key));
        EXPECT_EQ(spin.text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(spin.value(), c.value);
        EXPECT_EQ(stepped.size(), c.key ? 1 : 0);
    }
    typeInto(&spin, QStringLiteral("12a"));
    EXPECT_EQ(spin.text(), QStringLiteral("12")) << "letters are refused";
}

TEST(PreviewRect, OwnSizeWhenSmallerOtherwiseFittedAndCentred)
{
    struct Case {
        QSize picture;
        QRect area, expected;
    };
    const Case cases[] = {
        {{100, 50}, {0, 0, 200, 100}, {50, 25, 100, 50}},
        {{400, 100}, {0, 0, 200, 100}, {0, 25, 200, 50}},
        {{100, 400}, {10, 10, 200, 100}, {97, 10, 25, 100}},
        {{200, 50}, {0, 0, 200, 100}, {0, 25, 200, 50}},  // as wide as the area: fitted
        {{300, 300}, {0, 0, 200, 100}, {50, 0, 100, 100}},
        {{0, 0}, {0, 0, 200, 100}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreviewRect(c.picture, c.area), c.expected) << c.picture.width() << "x" << c.picture.height();
}

// ---------------------------------------------------------------- dialogs

class PropertyDialogsTest : public test::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        start();
        Document& d = doc();
        // Three selected nodes; the last is the main one.
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(AppendNode(d, jpeg(400, 300), 400, 300, 200 + 250 * i, 300));
            d.nodes[i].halfWidth = 100;
            d.nodes[i].halfHeight = 100;
            d.nodes[i].centerX = 150 + 250 * i;
            d.nodes[i].centerY = 300;
            d.screen[i].selected = 1;
        }
        SetNodeSource(d, 2, 400, 300, 1234567, QStringLiteral("file:////pictures/p.jpg\r"));
        app().edits().commitChange();
        app().document().SetModifiedFlag(false);
    }
    Document& doc() { return app().edits().editableDoc(); }
    bool modified() { return app().document().isModified(); }
    QPoint canvasPoint(int x, int y)
    {
        auto* view = frame().canvas();
        const float zoom = doc().state.zoom;
        return QPoint(int(x * zoom), int(y * zoom)) - QPoint(view->horizontalScrollBar()->value(),
                                                             view->verticalScrollBar()->value());
    }
};

TEST_F(PropertyDialogsTest, NodeDialogShowsTheNodeAndEditsItLiveAsOneUndoStep)
{
    const int undoBefore = app().history().undoCount();
    const PicturePtr original = doc().nodes[2].picture;
    const bool ran = whileModal<ImagePropertiesDialog>([&] { frame().invokeHandler(cmd::ImageProperties); }, [&](ImagePropertiesDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("イメージのプロパティ"));
        EXPECT_EQ(dlg.nodeIndex(), 2);
        EXPECT_EQ(dlg.widthRange()->text(), QStringLiteral("(10～1000px)"));
        EXPECT_EQ(dlg.heightRange()->text(), QStringLiteral("(10～1000px)"));
        EXPECT_EQ(dlg.widthSpin()->text(), QStringLiteral("200"));
        EXPECT_EQ(dlg.memorySize()->text(), QStringLiteral("400 × 300"));
        EXPECT_EQ(dlg.memoryData()->text(),
                  FormatThousands(QString::number(original->bytes().size())) + QStringLiteral("byte"));
        EXPECT_EQ(dlg.ratioX()->text(), QStringLiteral("50 %"));
        EXPECT_EQ(dlg.ratioY()->text(), QStringLiteral("66 %"));
        EXPECT_TRUE(dlg.sameAspectButton()->isEnabled());
        EXPECT_TRUE(dlg.widthBasis()->isChecked());
        EXPECT_FALSE(dlg.undoResampleButton()->isEnabled());
        EXPECT_EQ(dlg.sourceField()->text(), QStringLiteral("/pictures/p.jpg"));
        EXPECT_EQ(dlg.sourceSize()->text(), QStringLiteral("400 × 300"));
        EXPECT_EQ(dlg.sourceData()->text(), QStringLiteral("1,234,567byte"));
        EXPECT_EQ(dlg.frameWidthSpin()->text(), QStringLiteral("1"));
        EXPECT_EQ(dlg.frameColor()->color(), kNoColor);
        EXPECT_TRUE(dlg.actualSizeButton()->toolTip().contains(QStringLiteral("【実寸にする】")));
        EXPECT_EQ(dlg.moveButton(0)->toolTip(), QStringLiteral("1ピクセル左へ"));

        // Size: the arrows, the aspect with the height basis, then the actual size.
        clickArrow(dlg.widthSpin(), true);
        EXPECT_EQ(doc().nodes[2].halfWidth, 100) << "201 shows as 200";
        clickArrow(dlg.widthSpin(), true);
        EXPECT_EQ(doc().nodes[2].halfWidth, 101);
        EXPECT_TRUE(modified()) << "the canvas follows at once";
        QTest::mouseClick(dlg.heightBasis(), Qt::LeftButton);
        QTest::mouseClick(dlg.sameAspectButton(), Qt::LeftButton);
        EXPECT_EQ(2 * doc().nodes[2].halfWidth, 266) << "4/3 of the height 200";
        EXPECT_EQ(dlg.widthSpin()->text(), QStringLiteral("266"));
        EXPECT_FALSE(dlg.sameAspectButton()->isEnabled());
        QTest::mouseClick(dlg.actualSizeButton(), Qt::LeftButton);
        EXPECT_EQ(doc().nodes[2].halfWidth, 200);
        EXPECT_EQ(doc().nodes[2].halfHeight, 150);
        EXPECT_EQ(dlg.ratioX()->text(), QStringLiteral("100 %"));
        EXPECT_FALSE(dlg.actualSizeButton()->isEnabled());
        EXPECT_FALSE(dlg.resampleButton()->isEnabled());

        // Position: only the main node moves.
        const QPoint centre(doc().nodes[2].centerX, doc().nodes[2].centerY);
        for (int i = 0; i < 4; ++i)
            QTest::mouseClick(dlg.moveButton(i), Qt::LeftButton);
        QTest::mouseClick(dlg.moveButton(3), Qt::LeftButton);
        EXPECT_EQ(QPoint(doc().nodes[2].centerX, doc().nodes[2].centerY), centre + QPoint(1, 0));

        // The frame line reaches every selected node.
        QTest::keyClick(dlg.frameWidthSpin(), Qt::Key_Up);
        QTest::keyClick(dlg.frameWidthSpin(), Qt::Key_Up);
        QTest::keyClick(dlg.frameStyle(), Qt::Key_Down);
        pickColour(dlg.frameColor(), 10);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(doc().nodes[i].frameWidth, 3) << i;
            EXPECT_EQ(doc().nodes[i].frameStyle, StoredFrameStyle(FrameStyle::Dash)) << i;
            EXPECT_EQ(doc().nodes[i].frameColor, ColorPickerButton::paletteColors()[10]) << i;
        }
        EXPECT_EQ(doc().nodes[0].halfWidth, 100) << "sizes stay with the main node";

        // Enter does not close the dialog; Esc does.
        makeActive(&dlg);
        QTest::keyClick(dlg.widthSpin(), Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        makeActive(&dlg);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        EXPECT_FALSE(dlg.isVisible());
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(app().history().undoCount(), undoBefore + 1);
    ASSERT_TRUE(app().edits().UndoRedo(true));
    EXPECT_EQ(doc().nodes[2].halfWidth, 100);
    EXPECT_EQ(doc().nodes[2].centerX, 650);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(doc().nodes[i].frameWidth, 1) << "one undo takes back the whole run";
        EXPECT_EQ(doc().nodes[i].frameColor, kNoColor);
    }
}

TEST_F(PropertyDialogsTest, ResampleAndItsUndoInTheDialog)
{
    const QByteArray before = doc().nodes[2].picture->bytes();
    const bool ran = whileOpen<ImagePropertiesDialog>([&] { frame().invokeHandler(cmd::ImageProperties); }, [&](ImagePropertiesDialog& dlg) {
        QTest::mouseClick(dlg.resampleButton(), Qt::LeftButton);
        EXPECT_EQ(doc().nodes[2].picture->pixelSize(), QSize(200, 150)) << "the width basis keeps 200";
        EXPECT_EQ(dlg.memorySize()->text(), QStringLiteral("200 × 150"));
        EXPECT_EQ(dlg.heightSpin()->text(), QStringLiteral("150"));
        EXPECT_EQ(dlg.ratioX()->text(), QStringLiteral("100 %"));
        EXPECT_TRUE(dlg.undoResampleButton()->isEnabled());
        EXPECT_EQ(dlg.preview()->picture(), doc().nodes[2].picture);
        EXPECT_TRUE(dlg.undoResampleButton()->toolTip().contains(QStringLiteral("【元に戻す】")));
        QTest::mouseClick(dlg.undoResampleButton(), Qt::LeftButton);
        EXPECT_EQ(doc().nodes[2].picture->bytes(), before);
        EXPECT_EQ(dlg.memorySize()->text(), QStringLiteral("400 × 300"));
        EXPECT_FALSE(dlg.undoResampleButton()->isEnabled());
        EXPECT_TRUE(dlg.resampleBackupPath().isEmpty());
    });
    ASSERT_TRUE(ran);
    EXPECT_TRUE(prompts().messages.isEmpty());
}

TEST_F(PropertyDialogsTest, ShowingAndReloadingTheOrigin)
{
    // A real file with capitals in its name: Linux names are case-sensitive,
    // so the path is opened as it is written.
    QDir().mkpath(filesDir());
    const QString photo = QDir(filesDir()).filePath(QStringLiteral("Photo.JPG"));
    ASSERT_TRUE(test::writeFile(photo, test::makeJpeg(20, 20)));
    const QString photoSource = QStringLiteral("file:///") + photo;
    QList<QUrl> opened;
    const UrlOpener previous = setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    struct Case {
        QString source;
        QList<int> answers;
        QList<int> asked;
        QList<QUrl> opened;
    };
    const Case cases[] = {
        {photoSource, {kIdYes}, {30101}, {QUrl::fromLocalFile(photo)}},
        {photoSource, {kIdNo}, {30101}, {QUrl::fromLocalFile(filesDir())}},
        {photoSource, {kIdCancel}, {30101}, {}},
        {QStringLiteral("https://example.com/A.png"), {}, {}, {QUrl("https://example.com/A.png")}},
        {QStringLiteral("FROM_CLIP"), {}, {}, {}},
    };
    for (const Case& c : cases) {
        SetNodeSource(doc(), 2, 400, 300, 1, c.source);
        opened.clear();
        prompts().messages.clear();
        for (int a : c.answers)
            prompts().answers.enqueue(a);
        whileOpen<ImagePropertiesDialog>([&] { frame().invokeHandler(cmd::ImageProperties); },
                            [](ImagePropertiesDialog& dlg) { QTest::mouseClick(dlg.showButton(), Qt::LeftButton); });
        EXPECT_EQ(prompts().messageIds(), c.asked) << c.source.toStdString();
        EXPECT_EQ(opened, c.opened) << c.source.toStdString();
    }
    setUrlOpener(previous);

    // Reloading from a file that is there, then from one that is not.
    const QString path = QDir(filesDir()).filePath(QStringLiteral("fresh.jpg"));
    const QByteArray fresh = test::makeJpeg(90, 60, QColor(0, 0, 255));
    ASSERT_TRUE(test::writeFile(path, fresh));
    SetNodeSource(doc(), 2, 400, 300, 1, QStringLiteral("file:///") + path);
    prompts().messages.clear();
    whileOpen<ImagePropertiesDialog>([&] { frame().invokeHandler(cmd::ImageProperties); }, [&](ImagePropertiesDialog& dlg) {
        QTest::mouseClick(dlg.reloadButton(), Qt::LeftButton);
        EXPECT_EQ(doc().nodes[2].picture->bytes(), fresh);
        EXPECT_EQ(dlg.memorySize()->text(), QStringLiteral("90 × 60"));
        EXPECT_EQ(dlg.sourceSize()->text(), QStringLiteral("90 × 60"));
        QFile::remove(path);
        QTest::mouseClick(dlg.reloadButton(), Qt::LeftButton);
        EXPECT_EQ(doc().nodes[2].picture->bytes(), fresh) << "a failed reload keeps the picture";
    });
    EXPECT_EQ(prompts().messageIds(), QList<int>{30102});
}

TEST_F(PropertyDialogsTest, NodeDialogNeedsAMainNodeWithAPicture)
{
    const int undoBefore = app().history().undoCount();
    doc().state.mainIndex = -1;
    EXPECT_FALSE(whileOpen<ImagePropertiesDialog>([&] { frame().invokeHandler(cmd::ImageProperties); }, [](ImagePropertiesDialog&) {}));
    doc().state.mainIndex = 1;
    doc().nodes[1].picture.reset();
    EXPECT_FALSE(whileOpen<ImagePropertiesDialog>([&] { frame().invokeHandler(cmd::ImageProperties); }, [](ImagePropertiesDialog&) {}));
    EXPECT_EQ(app().history().undoCount(), undoBefore) << "no snapshot for nothing";
}

TEST_F(PropertyDialogsTest, DoubleClickOpensTheNodesOrTheCanvasProperties)
{
    QWidget* viewport = frame().canvas()->viewport();
    int opened = -1;
    ASSERT_TRUE(whileModal<ImagePropertiesDialog>(
        [&] {
            const QPoint p = canvasPoint(150, 300);
            QTest::mouseClick(viewport, Qt::LeftButton, {}, p);
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, p);
        },
        [&](ImagePropertiesDialog& dlg) { opened = dlg.nodeIndex(); }));
    EXPECT_EQ(opened, 0) << "the node under the pointer";
    EXPECT_EQ(doc().state.mainIndex, 0);

    bool canvasDialog = false;
    ASSERT_TRUE(whileModal<CanvasPropertiesDialog>(
        [&] {
            const QPoint p = canvasPoint(500, 900);
            QTest::mouseClick(viewport, Qt::LeftButton, {}, p);
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, p);
        },
        [&](CanvasPropertiesDialog&) { canvasDialog = true; }));
    EXPECT_TRUE(canvasDialog);
}

TEST_F(PropertyDialogsTest, CanvasDialogAppliesOnSavingOnly)
{
    doc().state.backPicture = jpeg(400, 200);
    const PicturePtr background = doc().state.backPicture;
    QDir().mkpath(filesDir());
    const QString chosen = QDir(filesDir()).filePath(QStringLiteral("bg.jpg"));
    ASSERT_TRUE(test::writeFile(chosen, test::makeJpeg(300, 100)));
    const int undoBefore = app().history().undoCount();

    const auto run = [&](const std::function<void(CanvasPropertiesDialog&)>& drive) {
        EXPECT_TRUE(whileOpen<CanvasPropertiesDialog>([&] { frame().invokeHandler(cmd::ViewProperties); }, drive));
    };

    // What the dialog shows, then cancelling everything.
    run([&](CanvasPropertiesDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("ビューのプロパティ"));
        QStringList labels;
        for (const QLabel* l : dlg.findChildren<QLabel*>())
            labels << l->text();
        EXPECT_TRUE(labels.contains(QStringLiteral("(500 ～ 10,000)")));
        EXPECT_TRUE(labels.contains(QStringLiteral("(500 ～ 7,500)")));
        EXPECT_EQ(dlg.widthSpin()->text(), QStringLiteral("1,000"));
        EXPECT_EQ(dlg.okButton()->toolTip(), QStringLiteral("現在の設定を保存して終了します"));
        EXPECT_TRUE(dlg.fitWidthButton()->isEnabled());
        typeInto(dlg.widthSpin(), QStringLiteral("3000"));
        QTest::mouseClick(dlg.clearButton(), Qt::LeftButton);
        EXPECT_FALSE(dlg.fitWidthButton()->isEnabled());
        EXPECT_FALSE(dlg.preview()->picture());
        QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton);
    });
    EXPECT_EQ(doc().state.canvasWidth, 1000);
    EXPECT_EQ(doc().state.backPicture, background) << "cancelled: the background stays";
    EXPECT_FALSE(modified());

    // Accepting without a change changes nothing.
    run([](CanvasPropertiesDialog& dlg) { QTest::keyClick(&dlg, Qt::Key_Return); });
    EXPECT_FALSE(modified());
    EXPECT_EQ(app().history().undoCount(), undoBefore);

    // Typed sizes are held at their limits; a frame colour alone counts.
    run([&](CanvasPropertiesDialog& dlg) {
        typeInto(dlg.widthSpin(), QStringLiteral("12000"));
        typeInto(dlg.heightSpin(), QStringLiteral("300"));
        typeInto(dlg.frameWidthSpin(), QStringLiteral("25"));
        pickColour(dlg.frameColor(), -1);
        QTest::keyClick(dlg.frameStyle(), Qt::Key_Down);
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(doc().state.canvasWidth, 10000);
    EXPECT_EQ(doc().state.canvasHeight, 500);
    EXPECT_EQ(doc().state.canvasFrameWidth, 20);
    EXPECT_EQ(doc().state.canvasFrameColor, kNoColor);
    EXPECT_EQ(doc().state.canvasFrameStyle, 1);
    EXPECT_TRUE(modified());
    EXPECT_EQ(app().history().undoCount(), undoBefore + 1);
    EXPECT_GE(frame().canvas()->horizontalScrollBar()->maximum(), 9000) << "the scroll area grew with the canvas";

    // A new background, fitted: height 500 with a 3:1 picture gives 1500.
    prompts().files.enqueue({chosen});
    run([&](CanvasPropertiesDialog& dlg) {
        QTest::mouseClick(dlg.setButton(), Qt::LeftButton);
        ASSERT_FALSE(prompts().fileRequests.isEmpty());
        EXPECT_EQ(prompts().fileRequests.last().title, QStringLiteral("背景とするイメージを指定"));
        EXPECT_TRUE(prompts().fileRequests.last().filter.contains(QStringLiteral("*.tiff")));
        ASSERT_TRUE(dlg.preview()->picture());
        EXPECT_EQ(dlg.preview()->picture()->pixelSize(), QSize(300, 100));
        QTest::mouseClick(dlg.fitWidthButton(), Qt::LeftButton);
        EXPECT_EQ(dlg.widthSpin()->text(), QStringLiteral("1,500"));
        QTest::mouseClick(dlg.fitHeightButton(), Qt::LeftButton);
        EXPECT_EQ(dlg.heightSpin()->value(), 500);
        pickColour(dlg.backColor(), 11);
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(doc().state.canvasWidth, 1500);
    ASSERT_TRUE(doc().state.backPicture);
    EXPECT_EQ(doc().state.backPicture->pixelSize(), QSize(300, 100));
    EXPECT_EQ(doc().state.backColor, ColorPickerButton::paletteColors()[11]);

    // Clearing and saving removes the background; undo brings it back.
    run([](CanvasPropertiesDialog& dlg) {
        QTest::mouseClick(dlg.clearButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(doc().state.backPicture);
    ASSERT_TRUE(app().edits().UndoRedo(true));
    ASSERT_TRUE(doc().state.backPicture);
    EXPECT_EQ(doc().state.backPicture->pixelSize(), QSize(300, 100));
    EXPECT_EQ(doc().state.canvasWidth, 1500);
}

} // namespace
} // namespace vq
