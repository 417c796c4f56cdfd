#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Watching the Internet - Site Vigil");
    window.show();
    return app.exec();
}
