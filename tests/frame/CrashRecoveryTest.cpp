// A real Velquin process is killed outright after a change; the next start
// offers the change back, and the Save command puts it where it belongs.
#include "model/Document.h"
#include "model/DocumentFile.h"
#include "model/Recovery.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"
#include "view/Prompts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <signal.h>

namespace vq {
namespace {

// Generous: a loaded two-core machine starts a Qt program slowly.
constexpr int kStartMs = 60000;

class CrashRecoveryTest : public test::IsolatedTest {
protected:
    void startProbe(QProcess& probe, const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), tempDir());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir());
        env.insert(QStringLiteral("XDG_STATE_HOME"), stateDir());
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(VELQUIN_CRASH_RECOVERY_PROBE), arguments);
        ASSERT_TRUE(probe.waitForStarted(kStartMs));
    }
    // Standard output up to and including the first line starting with `tag`.
    static QByteArray readUntil(QProcess& probe, const QByteArray& tag, QByteArray& all)
    {
        const QDeadlineTimer deadline(kStartMs);
        while (!deadline.hasExpired()) {
            for (const QByteArray& line : all.split('\n'))
                if (line.startsWith(tag))
                    return line;
            if (!probe.waitForReadyRead(1000) && probe.state() == QProcess::NotRunning)
                break;
            all += probe.readAllStandardOutput();
        }
        return {};
    }
    static bool waitForFile(const QString& path, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (!QFileInfo::exists(path)) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(100);
        }
        return true;
    }
};

TEST_F(CrashRecoveryTest, AChangeSurvivesSigkillAndIsSavedToItsDocument)
{
    const QString docPath = filesDir() + QStringLiteral("/旅行.vqd");
    {
        Document doc;
        doc.ResetDocument();
        ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(50, 40)), 50, 40, 100, 100));
        ASSERT_TRUE(SaveDocumentFile(docPath, doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), messageSink()));
    }

    QProcess editing;
    startProbe(editing, {QStringLiteral("edit"), docPath});
    QByteArray out;
    const QByteArray edited = readUntil(editing, "EDITED ", out);
    ASSERT_FALSE(edited.isEmpty()) << out.constData() << editing.readAllStandardError().constData();
    const QString copy = QString::fromUtf8(edited.mid(7)).trimmed();
    ASSERT_TRUE(copy.endsWith(QStringLiteral(".vqdr"))) << copy.toStdString();
    // The copy waits for the changes to settle, then a worker writes it.
    ASSERT_TRUE(waitForFile(copy, 90000)) << "no recovery copy at " << copy.toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(editing.processId()), SIGKILL), 0);
    ASSERT_TRUE(editing.waitForFinished(kStartMs));
    EXPECT_EQ(editing.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(QFileInfo::exists(copy)) << "a killed instance leaves its copy";
    EXPECT_TRUE(copy.startsWith(stateDir() + QStringLiteral("/velquin/"))) << copy.toStdString();
    // As a reboot does: the temporary folder starts empty.
    ASSERT_TRUE(QDir(tempDir()).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(tempDir()));

    QProcess restoring;
    startProbe(restoring, {QStringLiteral("restore")});
    ASSERT_TRUE(restoring.waitForFinished(3 * kStartMs));
    const QString output = QString::fromUtf8(restoring.readAllStandardOutput());
    ASSERT_EQ(restoring.exitCode(), 0) << output.toStdString() << restoring.readAllStandardError().constData();
    EXPECT_TRUE(output.contains(QStringLiteral("MESSAGE 36 旅行.vqd\\n前回正常に終了しなかったときの作業内容が見つかりました。")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("RESTORED path=%1 modified=1 nodes=2 width=1234").arg(docPath)))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("SAVED 1 modified=0"))) << output.toStdString();

    Document saved;
    ASSERT_TRUE(OpenDocumentFile(docPath, saved, nullptr, directJobRunner(), messageSink()));
    EXPECT_EQ(saved.state.nodeCount, 2);
    EXPECT_EQ(saved.state.canvasWidth, 1234);
    ASSERT_TRUE(saved.nodes[1].picture);
    EXPECT_EQ(saved.nodes[1].picture->pixelSize(), QSize(64, 48));

    // A clean exit after the save leaves no copy and no lock behind.
    const QStringList left = QDir(QFileInfo(copy).absolutePath()).entryList({QStringLiteral("recovery-*")}, QDir::Files);
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

TEST_F(CrashRecoveryTest, ADocumentSavedAgainSinceTheCopyIsNamedInTheQuestionAndAtTheSave)
{
    const QString docPath = filesDir() + QStringLiteral("/家族.vqd");
    const auto saveWith = [&](int nodes) {
        Document doc;
        doc.ResetDocument();
        for (int i = 0; i < nodes; ++i)
            ASSERT_TRUE(AppendNode(doc, Picture::fromJpegBytes(test::makeJpeg(50, 40)), 50, 40, 100 + 60 * i, 100));
        ASSERT_TRUE(SaveDocumentFile(docPath, doc, SaveOptions{false, nullptr}, nullptr, directJobRunner(), messageSink()));
    };
    saveWith(1);

    QProcess editing;
    startProbe(editing, {QStringLiteral("edit"), docPath});
    QByteArray out;
    const QByteArray edited = readUntil(editing, "EDITED ", out);
    ASSERT_FALSE(edited.isEmpty()) << out.constData();
    const QString copy = QString::fromUtf8(edited.mid(7)).trimmed();
    ASSERT_TRUE(waitForFile(copy, 90000));
    ASSERT_EQ(::kill(static_cast<pid_t>(editing.processId()), SIGKILL), 0);
    ASSERT_TRUE(editing.waitForFinished(kStartMs));
    // Another instance saved the document in the meantime.
    saveWith(3);

    QProcess restoring;
    startProbe(restoring, {QStringLiteral("restore")});
    ASSERT_TRUE(restoring.waitForFinished(3 * kStartMs));
    const QString output = QString::fromUtf8(restoring.readAllStandardOutput());
    ASSERT_EQ(restoring.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("MESSAGE 36 家族.vqd\\n前回正常に終了しなかったときの作業内容が見つかりました。\\nファイル: %1\\n").arg(docPath)))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("このファイルは作業内容の記録の後に変更されています"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("MESSAGE 35 %1\\nこのファイルは開いた後に別の操作で変更されています").arg(docPath)))
        << "the save asks before it replaces the newer file\n" << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("SAVED 1 modified=0"))) << output.toStdString();
}

TEST_F(CrashRecoveryTest, InstancesKeepToThemselvesAndTheDeadOnesFolderGoesAtTheNextStart)
{
    QProcess first;
    startProbe(first, {QStringLiteral("instance")});
    QByteArray firstOut;
    const QString firstFolder = QString::fromUtf8(readUntil(first, "READY ", firstOut).mid(6)).trimmed();
    ASSERT_FALSE(firstFolder.isEmpty()) << firstOut.constData() << first.readAllStandardError().constData();
    ASSERT_EQ(QDir(firstFolder).entryList({QStringLiteral("VQD*")}, QDir::Files).size(), 1) << "its undo step";

    QProcess second;
    startProbe(second, {QStringLiteral("instance")});
    QByteArray secondOut;
    const QString secondFolder = QString::fromUtf8(readUntil(second, "READY ", secondOut).mid(6)).trimmed();
    ASSERT_FALSE(secondFolder.isEmpty()) << secondOut.constData();
    EXPECT_NE(secondFolder, firstFolder);
    second.write("quit\n");
    ASSERT_TRUE(second.waitForFinished(kStartMs));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(secondFolder)) << "a clean exit takes its own folder";
    EXPECT_FALSE(QFileInfo::exists(secondFolder + QStringLiteral(".lock")));

    first.write("undo\n");
    EXPECT_FALSE(readUntil(first, "UNDONE 1 nodes=0", firstOut).isEmpty())
        << "the first instance's undo survives the second's exit\n" << firstOut.constData();

    ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGKILL), 0);
    ASSERT_TRUE(first.waitForFinished(kStartMs));
    EXPECT_TRUE(QFileInfo::exists(firstFolder)) << "a killed instance leaves its folder";

    QProcess third;
    startProbe(third, {QStringLiteral("instance")});
    QByteArray thirdOut;
    const QString thirdFolder = QString::fromUtf8(readUntil(third, "READY ", thirdOut).mid(6)).trimmed();
    ASSERT_FALSE(thirdFolder.isEmpty()) << thirdOut.constData();
    EXPECT_FALSE(QFileInfo::exists(firstFolder)) << "the dead instance's folder is swept at the next start";
    EXPECT_FALSE(QFileInfo::exists(firstFolder + QStringLiteral(".lock")));
    third.write("quit\n");
    ASSERT_TRUE(third.waitForFinished(kStartMs));
    const QStringList left = QDir(QFileInfo(thirdFolder).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

} // namespace
} // namespace vq
