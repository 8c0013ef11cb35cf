#pragma once

#include <string>

namespace veltro::cli {

// The folder of the data files "vc.dat" and "sms.dat" as the window uses it: the
// current folder, or with --data-home $XDG_DATA_HOME/veltrogprs (else
// ~/.local/share/veltrogprs), where the window started from the menu keeps them.
//
// A change takes the folder's lock, an exclusive flock(2) on the folder itself held
// while this object lives, so that two changes never interleave their reads and
// writes of a file. The window holds its lists in memory and writes them back when it
// ends, which would undo a change made meanwhile; so no change is made while the window
// runs (while its single-instance lock is held).
class DataFolder {
public:
    explicit DataFolder(bool dataHome);
    ~DataFolder();

    DataFolder(const DataFolder&) = delete;
    DataFolder& operator=(const DataFolder&) = delete;

    // The file's path in the folder; empty when the folder is not known (no HOME, or
    // the current folder cannot be read).
    std::string PathOf(const char* fileName) const;

    // Before a change: creates a missing --data-home folder (private to the user, as
    // the window does), takes the lock and checks that the window does not run. Empty
    // when the change may go ahead, else why not.
    std::string LockForChange();

private:
    std::string folder_;
    bool dataHome_;
    int lockFd_ = -1;
};

}  // namespace veltro::cli
