// The toolkit's floor for the benchmark: a tray icon with a menu, and a text
// window shown for the first second, as the program's splash is, so that both
// have loaded the text stack. Built with the same flags as the program.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"), &app, &QCoreApplication::quit);
    QSystemTrayIcon icon(QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/quendral.svg")));
    icon.setContextMenu(&menu);
    icon.show();
    auto *text = new QLabel(QStringLiteral("Minimal tray"));
    text->setAttribute(Qt::WA_DeleteOnClose);
    text->show();
    QTimer::singleShot(1000, text, &QWidget::close);
    return app.exec();
}
