// Printing through the real print system: a cups-pdf queue on a CUPS daemon
// (the running one, or one started here with its own configuration in a
// temporary folder), fed by the print dialog, and the PDF the queue writes.
#include "dialogs/PrintDialog.h"
#include "model/RangeModeState.h"
#include "base/Settings.h"
#include "tests/frame/PrintScene.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Isolation.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocalSocket>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <memory>

namespace vq {
namespace {

const QString kQueue = QStringLiteral("VelquinTestPdf");
const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QString kSystemSocket = QStringLiteral("/run/cups/cups.sock");

bool socketAnswers(const QString& path)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(500);
}

int runTool(const QString& program, const QStringList& args, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return p.exitCode();
}

// Where cups-pdf puts the jobs of the user running the test.
QString cupsPdfOutputFolder()
{
    QString out = QStringLiteral("${HOME}/PDF");
    for (const QString& name : {QStringLiteral("/etc/cups/cups-pdf-") + kQueue + QStringLiteral(".conf"),
                                QStringLiteral("/etc/cups/cups-pdf.conf")}) {
        QFile conf(name);
        if (!conf.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& raw : conf.readAll().split('\n')) {
            const QString line = QString::fromLocal8Bit(raw).trimmed();
            if (line.startsWith(QLatin1String("Out ")))
                out = line.mid(4).trimmed();
        }
        break;
    }
    const passwd* user = getpwuid(getuid());
    return out.replace(QStringLiteral("${HOME}"), user ? QString::fromLocal8Bit(user->pw_dir) : QDir::homePath());
}

// The PDFs in `folder` with when each was last written. cups-pdf names its
// output after the job's number, which a daemon of our own starts at 1 every
// time, so a job may rewrite a file an earlier run left: what counts as ours
// is a file that is new or written since.
using PdfStamps = QHash<QString, QDateTime>;
PdfStamps pdfsIn(const QString& folder)
{
    PdfStamps stamps;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        stamps.insert(file.fileName(), file.fileTime(QFileDevice::FileModificationTime));
    return stamps;
}

class CupsPrintTest : public test::IsolatedTest {
protected:
    void SetUp() override
    {
        IsolatedTest::SetUp();
        if (getuid() != 0)
            GTEST_SKIP() << "starting a CUPS daemon and adding a queue needs root";
        for (const QString& needed : {kCupsd, kBackend, kPpd, QStringLiteral("/usr/sbin/lpadmin")}) {
            if (!QFileInfo::exists(needed))
                GTEST_SKIP() << needed.toStdString() << " is not installed (cups, printer-driver-cups-pdf)";
        }
        if (!test::HasPoppler())
            GTEST_SKIP() << "pdfinfo and pdftoppm (poppler-utils) are not installed";
        if (!socketAnswers(kSystemSocket)) {
            ASSERT_NO_FATAL_FAILURE(startOwnDaemon());
        }
        QString said;
        ASSERT_EQ(runTool(QStringLiteral("/usr/sbin/lpadmin"),
                          {QStringLiteral("-p"), kQueue, QStringLiteral("-E"), QStringLiteral("-v"),
                           QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), kPpd},
                          &said),
                  0)
            << said.toStdString();
        m_queueAdded = true;
    }

    void TearDown() override
    {
        if (m_queueAdded)
            runTool(QStringLiteral("/usr/sbin/lpadmin"), {QStringLiteral("-x"), kQueue});
        for (const QString& made : m_outputs)
            QFile::remove(made);
        if (m_daemon) {
            m_daemon->terminate();
            if (!m_daemon->waitForFinished(10000))
                m_daemon->kill();
            m_daemon->waitForFinished(5000);
            m_daemon.reset();
        }
        IsolatedTest::TearDown();
    }

    // A daemon of our own, reached through a socket in its folder; the
    // client library of this process is pointed at it before it is first used.
    void startOwnDaemon()
    {
        m_cupsRoot = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/velquin-cups-XXXXXX"));
        ASSERT_TRUE(m_cupsRoot->isValid());
        const QString root = m_cupsRoot->path();
        // Filters run as the unprivileged "lp" and must reach the spool and temporary folders.
        QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                        QFileDevice::ExeOther);
        for (const char* sub : {"conf", "spool", "cache", "state", "tmp"})
            ASSERT_TRUE(QDir(root).mkpath(QLatin1String(sub)));
        ::chmod(QFile::encodeName(root + QStringLiteral("/tmp")).constData(), 01777);
        m_socket = root + QStringLiteral("/cups.sock");
        const QString cupsd = QStringLiteral("Listen %1\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                             "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                             "</Policy>\n")
                                  .arg(m_socket);
        const QString files = QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                             "StateDir %1/state\nTempDir %1/tmp\nAccessLog %1/access_log\n"
                                             "ErrorLog %1/error_log\nPageLog %1/page_log\nSystemGroup root\n")
                                  .arg(root);
        ASSERT_TRUE(test::writeFile(root + QStringLiteral("/conf/cupsd.conf"), cupsd.toUtf8()));
        ASSERT_TRUE(test::writeFile(root + QStringLiteral("/conf/cups-files.conf"), files.toUtf8()));
        ::setenv("CUPS_SERVER", QFile::encodeName(m_socket).constData(), 1);

        m_daemon = std::make_unique<QProcess>();
        m_daemon->setProcessChannelMode(QProcess::MergedChannels);
        m_daemon->start(kCupsd, {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/conf/cupsd.conf"),
                                 QStringLiteral("-s"), root + QStringLiteral("/conf/cups-files.conf")});
        ASSERT_TRUE(m_daemon->waitForStarted(5000));
        const QDeadlineTimer deadline(15000);
        while (!socketAnswers(m_socket) && !deadline.hasExpired() && m_daemon->state() == QProcess::Running)
            QThread::msleep(100);
        ASSERT_TRUE(socketAnswers(m_socket)) << m_daemon->readAll().toStdString();
    }

    // The PDF the queue wrote for our job, once complete; empty after `ms`.
    QString waitForOutput(const QString& folder, const PdfStamps& before, int ms)
    {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            const PdfStamps now = pdfsIn(folder);
            for (auto it = now.cbegin(); it != now.cend(); ++it) {
                const QString& name = it.key();
                if (before.value(name) == it.value())
                    continue;
                const QString path = folder + QLatin1Char('/') + name;
                if (!m_outputs.contains(path))
                    m_outputs << path;
                if (name.contains(QLatin1String("Velquin")) && test::PdfPageCount(path) > 0)
                    return path;
            }
            QTest::qWait(250);
        }
        return {};
    }

    std::unique_ptr<QTemporaryDir> m_cupsRoot;
    std::unique_ptr<QProcess> m_daemon;
    QString m_socket;
    bool m_queueAdded = false;
    QStringList m_outputs;
};

TEST_F(CupsPrintTest, DialogPrintsTwoPagesThroughACupsPdfQueue)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(kQueue);
    ASSERT_FALSE(info.isNull()) << "Qt does not see the queue " << kQueue.toStdString();
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);

    // 1000 x 600 canvas at 96 dpi: 264.6 mm wide, two pages across on A4.
    Document doc;
    test::BuildPrintScene(doc, 1000, 600, {{QRect(100, 100, 200, 200), Qt::red}, {QRect(700, 100, 200, 200), Qt::blue}});
    Settings settings;
    SysSettings sys;
    const RangeMode mode;
    PrintDialog dialog(printer, settings, doc, sys, mode);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    ASSERT_EQ(dialog.layout().grid, (PageGrid{2, 1}));
    const QString folder = cupsPdfOutputFolder();
    const PdfStamps before = pdfsIn(folder);

    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("print")), Qt::LeftButton);
    ASSERT_EQ(dialog.outcome(), PrintOutcome::Printed);

    const QString pdf = waitForOutput(folder, before, 90000);
    ASSERT_FALSE(pdf.isEmpty()) << "no PDF from the queue in " << folder.toStdString();
    EXPECT_EQ(test::PdfPageCount(pdf), 2);
    // The printer's own border is the least margin; the default margins are wider.
    const QImage first = test::PdfPage(pdf, 1, 40);
    const QImage second = test::PdfPage(pdf, 2, 40);
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(first, 25 + 52.9, 25 + 52.9, 40), Qt::red));
    // Blue's centre (800) is 138.6 canvas pixels (36.7 mm) into the second page.
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(second, 25 + 36.7, 25 + 52.9, 40), Qt::blue));
    EXPECT_TRUE(test::NearRgb(test::PixelAtMm(second, 25 + 52.9, 25 + 52.9, 40), Qt::blue));
    EXPECT_FALSE(test::NearRgb(test::PixelAtMm(first, 25 + 36.7, 25 + 52.9, 40), Qt::blue));
}

} // namespace
} // namespace vq
