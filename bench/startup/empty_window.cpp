// The yardstick of the start-up benchmark: an empty QMainWindow of the
// editor's size, built against the same Qt, shown as the editor shows its own.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(696, 480);
    window.show();
    return app.exec();
}
