#include "imaging/PictureCache.h"
#include "app/Application.h"
#include "app/QtPrompter.h"
#include "view/Prompts.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velquin"));
    QApplication::setOrganizationName(QStringLiteral("morvex"));
    // The desktop entry's name lets a desktop match the windows to their
    // launcher; the icon is the same drawing the launcher shows.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvex.velquin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velquin/velquin.svg")));

    vq::QtPrompter prompts;
    vq::installPrompter(&prompts);

    int rc = 1;
    {
        vq::Application app;
        if (app.InitInstance(QApplication::arguments()))
            rc = QApplication::exec();
    }
    vq::PictureCache::instance().stopForExit();
    vq::installPrompter(nullptr);
    return rc;
}
