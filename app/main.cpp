#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label("Zendra classic version 1.32");
    label.show();
    return app.exec();
}
