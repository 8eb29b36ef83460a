// The processing popup runs its job while shown and closes by itself.
#include "dialogs/ProcessingPopup.h"

#include "model/DocumentFile.h"
#include "base/Settings.h"
#include "model/cabinet/CabinetJobs.h"
#include "tests/cabinet/CabinetFixture.h"
#include "tests/support/ScriptedPrompter.h"
#include "view/Prompts.h"

#include <QApplication>
#include <QProgressBar>
#include <QWidget>

#include <gtest/gtest.h>

namespace vq::test {
namespace {

// Notes what the owner of each message looked like while it was shown.
class OwnerProbe : public ScriptedPrompter {
public:
    struct Seen {
        bool popupVisible = false;
        bool busyBar = false;
        QObject* parent = nullptr;
    };
    QList<Seen> seen;

    int message(const MessageRequest& request) override
    {
        Seen s;
        if (auto* dlg = qobject_cast<ProcessingPopup*>(request.owner)) {
            s.popupVisible = dlg->isVisible();
            const auto* bar = dlg->findChild<QProgressBar*>();
            s.busyBar = bar && bar->isVisible() && bar->minimum() == 0 && bar->maximum() == 0;
            s.parent = dlg->parent();
        }
        seen << s;
        return ScriptedPrompter::message(request);
    }
};

class ProcessingPopupTest : public CabinetTest {
protected:
    static QList<QWidget*> visibleTopLevels()
    {
        QList<QWidget*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                out << w;
        return out;
    }

    OwnerProbe prompter;
};

TEST_F(ProcessingPopupTest, PacksAndUnpacksThenIsGone)
{
    const QByteArray data = TextBytes(40000) + RandomBytes(40000);
    const QString source = writeFile(QStringLiteral("VQDdata"), data);
    bool popupUpDuringJob = false;
    ASSERT_TRUE(ProcessingPopup::RunShown([&](QObject* owner) {
        popupUpDuringJob = qobject_cast<ProcessingPopup*>(owner) && static_cast<QWidget*>(owner)->isVisible();
        Report failure;
        if (RunPack(source, QStringLiteral("a.vqd"), filesDir(), &failure))
            return true;
        ShowMessage(failure, owner);
        return false;
    }));
    EXPECT_TRUE(popupUpDuringJob);

    QString dataFileName;
    ASSERT_TRUE(ProcessingPopup::Unpack(root() + QStringLiteral("/work/"), QStringLiteral("a.vqd"), filesDir(), &dataFileName));
    EXPECT_EQ(dataFileName, QStringLiteral("a.vqd"));
    EXPECT_EQ(readFile(root() + QStringLiteral("/work/a.vqd")), data);
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_TRUE(visibleTopLevels().isEmpty());
}

TEST_F(ProcessingPopupTest, FailuresAreReportedByThePopupOverItsParent)
{
    QWidget frame;
    frame.show();
    writeFile(QStringLiteral("not-a-cabinet.vqd"), "plain text");

    EXPECT_FALSE(ProcessingPopup::Pack(filesDir() + QStringLiteral("/missing"), QStringLiteral("a.vqd"),
                                 root() + QStringLiteral("/nowhere"), &frame));
    QString dataFileName;
    EXPECT_FALSE(ProcessingPopup::Unpack(root() + QStringLiteral("/work"), QStringLiteral("not-a-cabinet.vqd"), filesDir(),
                                   &dataFileName, &frame));

    EXPECT_EQ(prompter.messageIds(), (QList<int>{30035, 30036}));
    ASSERT_EQ(prompter.seen.size(), 2);
    for (const auto& s : prompter.seen) {
        EXPECT_TRUE(s.popupVisible);
        EXPECT_TRUE(s.busyBar);
        EXPECT_EQ(s.parent, &frame);
    }
    EXPECT_EQ(prompter.messages[0].style, kStyleInfo);
    EXPECT_EQ(prompter.messages[1].prefix, QStringLiteral("[File Copy]\n"));
    EXPECT_EQ(visibleTopLevels(), QList<QWidget*>{&frame});
}

TEST_F(ProcessingPopupTest, ADocumentsPackAndUnpackFailuresAreThePopups)
{
    QWidget frame;
    frame.show();
    QObject documentOwner;
    const JobRunner popup = [&](const std::function<bool(QObject*)>& job) { return ProcessingPopup::RunShown(job, &frame); };
    Settings settings;
    Document doc;
    doc.ResetDocument();
    writeFile(QStringLiteral("junk.vqd"), "not a cabinet");

    EXPECT_FALSE(SaveDocumentFile(root() + QStringLiteral("/nowhere/a.vqd"), doc, settings, &documentOwner, popup, messageSink()));
    Document opened;
    EXPECT_FALSE(OpenDocumentFile(filesDir() + QStringLiteral("/junk.vqd"), opened, &documentOwner, popup, messageSink()));

    ASSERT_EQ(prompter.messageIds(), (QList<int>{30035, 30036}));
    // The probe saw each owner as a shown popup over the frame.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(prompter.seen[i].popupVisible) << i;
        EXPECT_EQ(prompter.seen[i].parent, &frame) << i;
    }
    EXPECT_EQ(visibleTopLevels(), QList<QWidget*>{&frame});
}

} // namespace
} // namespace vq::test
