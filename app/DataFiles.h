#pragma once

#include <QStandardItemModel>
#include <QString>

#include <string>

#include "pages/InboxModel.h"

namespace veltro {

// Fills the phonebook and message lists from "vc.dat" and "sms.dat" and writes them
// back. The lists are the data while the program runs; the files hold them between
// runs. Both files lie in the current directory at the moment of the call.
//
// Files hold the bottom row first and loading inserts every record at the top, so a
// list keeps its order across a save and a load.
class DataFiles {
public:
    // Adds the files' records to the lists. A missing or unreadable file adds nothing.
    static void Load(QStandardItemModel& phonebook, InboxModel& messages);
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
