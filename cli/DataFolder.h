#pragma once

#include <string>

#include "records/DataFolderLock.h"

namespace veltro::cli {

// The folder of the data files "vc.dat" and "sms.dat" as the window uses it: the
// current folder, or with --data-home $XDG_DATA_HOME/veltrogprs (else
// ~/.local/share/veltrogprs), where the window started from the menu keeps them.
//
// A change takes the folder's lock (DataFolderLock) while this object lives, so that two
// changes never interleave their reads and writes of a file. The window holds the same
// lock for its whole life, since it writes its lists back when it ends, which would
// undo a change made meanwhile: no change is made while a window uses the folder.
class DataFolder {
public:
    explicit DataFolder(bool dataHome);

    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // The file's path in the folder; empty when the folder is not known (no HOME, or
    // the current folder cannot be read).
    std::string PathOf(const char* fileName) const;

    // Before a change: creates a missing --data-home folder (private to the user, as
    // the window does) and takes the lock. Empty when the change may go ahead, else why
    // not.
    std::string LockForChange();

private:
    std::string folder_;
    bool dataHome_;
    DataFolderLock lock_;
};

}  // namespace veltro::cli
