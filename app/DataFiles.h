#pragma once

#include <QStandardItemModel>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <string>

#include "pages/InboxModel.h"
#include "records/DataFolderLock.h"

namespace veltro {

// Fills the phonebook and message lists from "vc.dat" and "sms.dat" and writes them
// back. The lists are the data while the program runs; the files hold them between
// runs. Both files lie in the current directory at the moment of the call.
//
// Files hold the bottom row first and loading inserts every record at the top, so a
// list keeps its order across a save and a load.
class DataFiles {
public:
    // %1 is a file's name.
    static constexpr const char* kUnreadableText =
        QT_TRANSLATE_NOOP("DataFiles", "无法读取%1，本次运行不会改写它。");
    // %1 is a file's name, %2 the name it was given.
    static constexpr const char* kDamagedText =
        QT_TRANSLATE_NOOP("DataFiles", "%1已损坏，已改名为%2保留。");
    static constexpr const char* kDamagedKeptText =
        QT_TRANSLATE_NOOP("DataFiles", "%1已损坏且无法改名，本次运行不会改写它。");
    // %1 is the other window's process id, %2 its host.
    static constexpr const char* kFolderTakenText = QT_TRANSLATE_NOOP(
        "DataFiles",
        "另一个窗口（进程%1，主机%2）正在使用这些通讯录和短信文件，本窗口不会改写它们。");
    static constexpr const char* kFolderTakenUnknownText = QT_TRANSLATE_NOOP(
        "DataFiles", "另一个程序正在使用这些通讯录和短信文件，本窗口不会改写它们。");

    // Takes the current directory's lock for the window's life. When another process
    // holds it, every data file there is held for holder (not written, see
    // AtomicFile::Hold), the problem and its detail are told, and the result is false.
    static bool ClaimFolder(DataFolderLock& lock, const void* holder, QStringList* problems,
                            QStringList* details);
    // Ends the holds that Load and ClaimFolder made for holder.
    static void Release(const void* holder);

    // Adds the files' records to the lists. Only a missing file is empty: a file that
    // cannot be read (permission, I/O error, not a regular file, another owner) adds
    // nothing and is held for holder, so that no save replaces it; a damaged one is
    // renamed "<name>.damaged-<date>-<time>" and its whole records are loaded. Each such
    // file is told in problems (the window's words) and details (the path and the
    // system's reason, also on standard error).
    // Messages whose record cut their text get the whole text that "smstext.dat"
    // keeps; a damaged "smstext.dat" gives the entries before the damage.
    static void Load(QStandardItemModel& phonebook, InboxModel& messages,
                     QStringList* problems = nullptr, QStringList* details = nullptr,
                     const void* holder = nullptr);
    // Writes both lists. Each file is replaced as a whole or, when its write fails,
    // left as it was; a failure of one does not stop the other. True when both were
    // written. folder, when given, takes the place of the current directory.
    static bool Save(const QStandardItemModel& phonebook, const InboxModel& messages,
                     const QString& folder = {});
    // Writes the phonebook list alone, as Save writes it.
    static bool SavePhonebook(const QStandardItemModel& phonebook, const QString& folder = {});

    // The bytes a save writes now for each list.
    static std::string PhonebookBytes(const QStandardItemModel& phonebook);
    static std::string MessageBytes(const InboxModel& messages);
};

}  // namespace veltro
