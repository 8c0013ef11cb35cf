#pragma once

#include <QStringList>

namespace veltro {

// The program's start: one copy per user and executable name, the dialog colours and
// the menu look, then the main window until it ends.
class Application {
public:
    static constexpr int kMenuStyle = 6;

    // Runs the program with its command line (without the program name): its exit
    // code. "--demo" runs it on the virtual data card.
    static int Run(const QStringList& arguments);
};

}  // namespace veltro
