// The yardstick of tools/perf.sh: the least a Qt Widgets tray program does while idle.
// A window, a tray icon and a 1 s timer whose slot does nothing.

#include <QApplication>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.resize(442, 330);

    QPixmap picture(16, 16);
    picture.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.show();

    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(1000);

    // Shown unless the first argument asks to stay hidden, as Nuvex does in the tray.
    if (argc < 2 || QString::fromLocal8Bit(argv[1]) != QStringLiteral("--hidden"))
        window.show();
    return QApplication::exec();
}
