// The toolkit's floor for the benchmark: a tray icon with a menu and nothing
// else, built with the same flags as the program.
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QCoreApplication::quit);
    QSystemTrayIcon icon(QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/quendral.svg")));
    icon.setContextMenu(&menu);
    icon.show();
    return app.exec();
}
