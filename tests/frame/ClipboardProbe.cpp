// A Velquin run on a real X display for the clipboard test: it either copies
// a picture node and keeps serving the clipboard until told to quit, or
// pastes whatever another program put there and reports the new node.
#include "app/MainWindow.h"
#include "app/Application.h"
#include "imaging/Codec.h"
#include "model/Document.h"
#include "resources/CommandIds.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace vq;

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    if (argc < 2)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    Application velquin;
    if (!velquin.InitInstance({QStringLiteral("velquin")}))
        return 3;
    MainWindow& frame = *velquin.mainFrame;
    Document& doc = velquin.edits().editableDoc();

    if (mode == QLatin1String("copy") && argc >= 3) {
        const auto loaded = LoadPicture(QString::fromLocal8Bit(argv[2]), QStringLiteral("jpeg"));
        if (!loaded || !AppendNode(doc, loaded->picture, loaded->width, loaded->height, 300, 300))
            return 4;
        if (!frame.executeCommand(cmd::Copy))
            return 5;
        std::printf("COPIED %d %d\n", 2 * doc.nodes[0].halfWidth, 2 * doc.nodes[0].halfHeight);
        std::fflush(stdout);
        // Serve the clipboard until the test closes our input, at most a minute.
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &qapp, &QApplication::quit);
        QTimer::singleShot(60000, &qapp, &QApplication::quit);
        return qapp.exec();
    }
    if (mode == QLatin1String("paste")) {
        // Let the clipboard's owner be found before asking it.
        QTimer::singleShot(200, &qapp, &QApplication::quit);
        qapp.exec();
        frame.executeCommand(cmd::PasteKey);
        if (doc.state.nodeCount != 1)
            return 6;
        const NodeRecord& n = doc.nodes[0];
        std::printf("PASTED %d %d %s\n", n.imageWidth, n.imageHeight, NodeSourceText(n).toUtf8().constData());
        return 0;
    }
    return 2;
}
