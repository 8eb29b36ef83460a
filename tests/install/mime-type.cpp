// Prints the type Qt's MIME database gives each file, the same lookup a Qt
// file manager or file dialog makes, so the test sees what a desktop sees.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QMimeDatabase db;
    for (const QString& path : QCoreApplication::arguments().mid(1))
        out << db.mimeTypeForFile(path).name() << '\n';
    return 0;
}
