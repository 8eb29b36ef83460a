#include "app/CT52106App.h"
#include "app/QtPrompter.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velquin"));
    QApplication::setOrganizationName(QStringLiteral("morvex"));

    vq::QtPrompter prompts;
    vq::installPrompter(&prompts);

    int rc = 1;
    {
        vq::CT52106App app;
        if (app.InitInstance(QApplication::arguments()))
            rc = QApplication::exec();
    }
    vq::installPrompter(nullptr);
    return rc;
}
