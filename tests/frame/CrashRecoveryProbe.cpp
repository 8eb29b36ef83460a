// A Velquin run for the crash recovery test, with questions answered by
// script and reported on standard output.
//   edit DOC     opens DOC, adds a node through the editing session, reports
//                the recovery copy's name and waits to be killed
//   restore      starts, answering Yes to every question, reports the
//                document it ended with, saves it with the Save command and
//                exits cleanly
//   instance     starts, adds a node, reports its working folder, then takes
//                lines from standard input: "undo" undoes the last step and
//                reports the node count, "quit" ends the run cleanly
#include "app/MainWindow.h"
#include "app/Application.h"
#include "app/DocumentController.h"
#include "app/RecoveryKeeper.h"
#include "edit/EditSession.h"
#include "model/Document.h"
#include "model/WorkFolder.h"
#include "view/Prompts.h"
#include "resources/CommandIds.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>

using namespace vq;

namespace {

class AnsweringPrompter : public Prompter {
public:
    int message(const MessageRequest& request) override
    {
        QString text = request.fullText();
        text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        std::printf("MESSAGE %d %s\n", request.style, text.toUtf8().constData());
        std::fflush(stdout);
        return request.style == kStyleYesNo || request.style == kStyleYesNoCancel ? kIdYes : kIdOk;
    }
    QStringList openFiles(const FileRequest&, bool) override { return {}; }
    SaveChoice saveFile(const FileRequest&) override { return {}; }
    QString chooseFolder(const QString&, const QString&, QObject*) override { return {}; }
    QColor chooseColor(const QColor&, QObject*) override { return {}; }
};

PicturePtr greenPicture()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(30, 200, 60));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return Picture::fromJpegBytes(jpeg);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    if (argc < 2)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    AnsweringPrompter prompts;
    installPrompter(&prompts);
    Application velquin;
    QStringList arguments{QStringLiteral("velquin")};
    if (mode == QLatin1String("edit") && argc >= 3)
        arguments << QString::fromLocal8Bit(argv[2]);
    if (!velquin.InitInstance(arguments))
        return 3;
    auto* keeper = velquin.mainFrame->findChild<RecoveryKeeper*>();
    if (!keeper)
        return 4;

    if (mode == QLatin1String("edit")) {
        velquin.edits().edit([](Document& doc) {
            AppendNode(doc, greenPicture(), 64, 48, 400, 300);
            doc.state.canvasWidth = 1234;
        });
        std::printf("EDITED %s\n", keeper->copyPath().toUtf8().constData());
        std::fflush(stdout);
        // Killed by the test long before this.
        QTimer::singleShot(300000, &qapp, &QApplication::quit);
        return qapp.exec();
    }
    if (mode == QLatin1String("instance")) {
        velquin.edits().edit([](Document& doc) { AppendNode(doc, greenPicture(), 64, 48, 400, 300); });
        std::printf("READY %s\n", GetWorkFolder().toUtf8().constData());
        std::fflush(stdout);
        QSocketNotifier input(0, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &qapp, [&] {
            char line[64] = {};
            if (!std::fgets(line, sizeof line, stdin) || QByteArray(line).trimmed() == "quit") {
                // Ends without the save question: the run is a clean exit all the same.
                velquin.document().SetModifiedFlag(false);
                QApplication::quit();
                return;
            }
            const bool undone = velquin.edits().UndoRedo(true);
            std::printf("UNDONE %d nodes=%d\n", undone ? 1 : 0, velquin.doc().state.nodeCount);
            std::fflush(stdout);
        });
        QTimer::singleShot(300000, &qapp, &QApplication::quit);
        return qapp.exec();
    }
    if (mode == QLatin1String("restore")) {
        const Document& doc = velquin.doc();
        std::printf("RESTORED path=%s modified=%d nodes=%d width=%d\n",
                    velquin.document().path().toUtf8().constData(), velquin.document().isModified() ? 1 : 0,
                    doc.state.nodeCount, doc.state.canvasWidth);
        const bool saved = velquin.mainFrame->executeCommand(cmd::FileSave);
        std::printf("SAVED %d modified=%d\n", saved ? 1 : 0, velquin.document().isModified() ? 1 : 0);
        std::fflush(stdout);
        return 0;
    }
    return 2;
}
