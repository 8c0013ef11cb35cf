#include <QApplication>

#include "app/Application.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return veltro::Application::Run(arguments);
}
