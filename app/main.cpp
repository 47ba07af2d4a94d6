// Program entry (the main window arrives with the viewer's first issue).
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}
