#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CommandLine.h"

using veltro::CommandLine;

// The window's command line before any window exists.
class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void helpAndVersionEndTheProgram() {
        std::ostringstream out;
        std::ostringstream err;
        const char* help[] = {"veltrogprs", "--demo", "--help"};
        QCOMPARE(CommandLine::Handle(3, help, out, err), std::optional<int>(0));
        QVERIFY(out.str().rfind("usage: veltrogprs [--demo] [--data-home]\n", 0) == 0);
        out.str("");
        const char* version[] = {"veltrogprs", "--version"};
        QCOMPARE(CommandLine::Handle(2, version, out, err), std::optional<int>(0));
        QCOMPARE(out.str(), std::string("veltrogprs ") + VELTRO_VERSION + "\n");
        const char* plain[] = {"veltrogprs", "--demo"};
        QCOMPARE(CommandLine::Handle(2, plain, out, err), std::nullopt);
        QVERIFY(err.str().empty());
    }

    // The menu's start runs in a private data folder made on first use; one that cannot
    // be made ends the program with a message instead of using another folder.
    void dataHomeRunsInThePrivateDataFolder() {
        QTemporaryDir scratch;
        const std::filesystem::path before = std::filesystem::current_path();
        ::setenv("XDG_DATA_HOME", qPrintable(scratch.path()), 1);
        std::ostringstream out;
        std::ostringstream err;
        const char* arguments[] = {"veltrogprs", "--data-home"};
        QCOMPARE(CommandLine::Handle(2, arguments, out, err), std::nullopt);
        const std::string folder = scratch.path().toStdString() + "/veltrogprs";
        QCOMPARE(std::filesystem::current_path().string(), folder);
        struct stat status {};
        QCOMPARE(::stat(folder.c_str(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0700u);

        const std::string blocked = scratch.path().toStdString() + "/file";
        QVERIFY(std::ofstream(blocked).good());
        ::setenv("XDG_DATA_HOME", blocked.c_str(), 1);
        QCOMPARE(CommandLine::Handle(2, arguments, out, err), std::optional<int>(1));
        QVERIFY(err.str().find("cannot use the folder " + blocked + "/veltrogprs") !=
                std::string::npos);
        ::unsetenv("XDG_DATA_HOME");
        std::filesystem::current_path(before);
    }
};

QTEST_MAIN(CommandLineTest)
#include "test_command_line.moc"
