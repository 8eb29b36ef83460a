#include "app/QtPrompter.h"
#include "shell/ShellUtilities.h"
#include "view/Prompts.h"
#include "tests/support/Isolation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace vq {
namespace {

// Runs `act` on the modal dialog once it is up.
void whenModalAppears(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            whenModalAppears(act);
            return;
        }
        act(w);
    });
}

class QtPrompterTest : public test::IsolatedTest {
protected:
    QtPrompter prompts;
    Prompter* previous = installPrompter(&prompts);
    void TearDown() override
    {
        installPrompter(previous);
        IsolatedTest::TearDown();
    }
};

TEST_F(QtPrompterTest, MessageBoxStylesMapToIconsAndButtons)
{
    const struct {
        int style;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        int answer;
    } cases[] = {
        {kStyleError, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok, kIdOk},
        {kStyleInfo, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, kIdOk},
        {kStyleYesNo, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, kIdNo},
        {kStyleYesNoCancel, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
         QMessageBox::Yes, kIdYes},
    };
    for (const auto& c : cases) {
        QString title;
        QString text;
        whenModalAppears([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            box->button(c.press)->click();
        });
        EXPECT_EQ(ShowMessage(30022, nullptr, QStringLiteral("3 個\n"), c.style), c.answer);
        EXPECT_EQ(title, QStringLiteral("Velquin"));
        EXPECT_EQ(text, QStringLiteral("3 個\n削除してもよろしいですか"));
    }
}

TEST_F(QtPrompterTest, FileDialogReturnsTheChosenFile)
{
    const QString target = filesDir() + QStringLiteral("/a.vqd");
    whenModalAppears([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("名前を付けて保存"));
        dialog->selectFile(target);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    FileRequest request;
    request.title = QStringLiteral("名前を付けて保存");
    request.filter = QStringLiteral("Velquin Files (*.vqd)");
    request.directory = filesDir();
    EXPECT_EQ(prompts.saveFile(request).path, target);

    whenModalAppears([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_TRUE(prompts.openFiles(request, true).isEmpty());
}

TEST_F(QtPrompterTest, SaveDialogShowsTheChosenFilterAddsTheExtensionAndLeavesOverwritingToTheCaller)
{
    // The filter shown when the file was chosen comes back with it: a caller
    // that writes by type learns it from there, not from the name.
    const QString existing = filesDir() + QStringLiteral("/photo.jpeg");
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const struct {
        bool confirm;
        QString typed;
        QString expected; // empty: the dialog stayed open and asked first
    } cases[] = {
        {false, QStringLiteral("photo"), existing},
        {false, QStringLiteral("new"), filesDir() + QStringLiteral("/new.jpeg")},
        {true, QStringLiteral("photo"), {}},
    };
    for (const auto& c : cases) {
        bool asked = false;
        whenModalAppears([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("JPEG (*.jpg *.jpeg)"));
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite), !c.confirm);
            asked = dialog->testOption(QFileDialog::DontConfirmOverwrite) == false;
            dialog->selectFile(c.typed);
            if (c.confirm) {
                dialog->reject(); // Qt would ask its own question here
                return;
            }
            QMetaObject::invokeMethod(dialog, "accept");
        });
        FileRequest request;
        request.title = QStringLiteral("保存するファイルを指定");
        request.filter = QStringLiteral("PNG (*.png);;JPEG (*.jpg *.jpeg)");
        request.directory = filesDir();
        request.selectedFilter = QStringLiteral("JPEG (*.jpg *.jpeg)");
        request.defaultSuffix = QStringLiteral("jpeg");
        request.confirmOverwrite = c.confirm;
        const SaveChoice choice = prompts.saveFile(request);
        EXPECT_EQ(choice.path, c.expected) << c.typed.toStdString();
        EXPECT_EQ(choice.filter, c.expected.isEmpty() ? QString() : request.selectedFilter);
        EXPECT_EQ(asked, c.confirm);
    }
}

TEST_F(QtPrompterTest, PrintSetupIsQtsPrintDialogOnTheSamePrinter)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    QPrinter* shown = nullptr;
    whenModalAppears([&](QWidget* w) {
        auto* dialog = qobject_cast<QPrintDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("プリンタの設定"));
        shown = dialog->printer();
        dialog->reject();
    });
    EXPECT_FALSE(prompts.printSetup(printer, nullptr));
    EXPECT_EQ(shown, &printer);

    // Something that is no printer has no setup to show.
    QPdfWriter writer(filesDir() + QStringLiteral("/x.pdf"));
    EXPECT_FALSE(prompts.printSetup(writer, nullptr));
}

TEST_F(QtPrompterTest, ColourDialogCancelGivesAnInvalidColour)
{
    whenModalAppears([](QWidget* w) {
        auto* dialog = qobject_cast<QColorDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        dialog->setCurrentColor(QColor(10, 20, 30));
        dialog->accept();
    });
    EXPECT_EQ(prompts.chooseColor(Qt::white, nullptr), QColor(10, 20, 30));
    whenModalAppears([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(prompts.chooseColor(Qt::white, nullptr).isValid());
}

TEST_F(QtPrompterTest, FolderDialogAsksForAFolderWhereTheUserSeesIt)
{
    ASSERT_TRUE(QDir(filesDir()).mkdir(QStringLiteral("album")));
    const QString album = filesDir() + QStringLiteral("/album");
    const struct {
        const char* pick; // typed into the name field; empty keeps the starting folder
        QString expected;
    } cases[] = {{"", filesDir()}, {"album", album}};
    for (const auto& c : cases) {
        QString title;
        QString startedIn;
        QStringList shownLabels;
        whenModalAppears([&](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            startedIn = dialog->directory().absolutePath();
            for (const QLabel* label : dialog->findChildren<QLabel*>())
                if (label->isVisible())
                    shownLabels << label->text();
            if (*c.pick)
                dialog->selectFile(QString::fromUtf8(c.pick));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        EXPECT_EQ(ChooseFolder(filesDir()), c.expected) << c.pick;
        EXPECT_EQ(title, QStringLiteral("フォルダの指定"));
        EXPECT_EQ(startedIn, filesDir());
        EXPECT_TRUE(shownLabels.contains(QStringLiteral("フォルダを指定してください"))) << shownLabels.join(u'|').toStdString();
    }

    whenModalAppears([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_TRUE(ChooseFolder(filesDir()).isEmpty());
}

} // namespace
} // namespace vq
