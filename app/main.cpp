#include <QApplication>

#include <iostream>

#include "app/Application.h"
#include "app/CommandLine.h"

int main(int argc, char** argv) {
    if (const auto status = veltro::CommandLine::Handle(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    return veltro::Application::Run(arguments);
}
