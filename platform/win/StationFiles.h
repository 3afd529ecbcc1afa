// Files of the window station that belong to one process: a lock it holds and records it
// writes. The process keeps them while it runs: KeepStation makes them again when they were
// removed or replaced.
#pragma once

#include <string>

namespace zwin {

// Writes `name` in the station folder as a whole (a new file, readable and writable by its
// owner only, renamed over the old one), so that a reader finds the old text or the new one,
// never a part. KeepStation writes it again when it has gone. False when it cannot be written.
bool WriteStationFile(const char* name, const std::string& text);
// Removes it, and KeepStation no longer keeps it.
void RemoveStationFile(const char* name);
// Reads `name` when it is a regular file of this user with one link; false otherwise.
bool ReadStationFile(const char* name, std::string* text);

enum class StationLockResult {
    Taken,       // this process holds it now
    HeldByOther, // another process holds it
    Refused,     // not a regular file of this user with one link (a link, a folder, another
                 // user's file), or it cannot be opened
};
// Takes the lock file `name` of the station (flock), once, without waiting; error is the errno
// of the call that failed, 0 when none did. KeepStation takes it again when it was removed or
// replaced.
StationLockResult LockStation(const char* name, int* error = nullptr);
// Lets go of the lock.
void UnlockStation();

// What KeepStation does for these files.
void KeepStationFiles();

} // namespace zwin
