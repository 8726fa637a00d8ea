#include "settings/appstate.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    quendral::AppState state(QCoreApplication::applicationDirPath());
    return app.exec();
}
