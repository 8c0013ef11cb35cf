#pragma once

#include <QString>
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

    // Gives every pop-up menu the program's frame: style 6, with the selection and
    // shade options of the profile at profilePath.
    static void ApplyMenuLook(const QString& profilePath);
};

}  // namespace veltro
