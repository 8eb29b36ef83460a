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

} // namespace
} // namespace vq
