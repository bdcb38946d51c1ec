#pragma once
// Two copies of the program may work on one data\ folder at once (two learners on one
// network share). Every read-modify-write of the files there (users.ini, lista.txt, a
// review file) holds this lock, so that neither copy loses what the other wrote.
#include <string>

namespace tastora {

constexpr char kDataLockPath[] = "data\\tastora.lock";
// Shown (raised as TastoraError) when the other copy keeps the lock longer than the wait.
extern const char kDataBusyMessage[];

// Holds the lock from construction to destruction. Nested holders in one process share
// it. Waits at most the bounded wait for another process to let go and then raises
// kDataBusyMessage. Where the lock file cannot be made at all (no data folder, a
// read-only medium) the work goes on without it: the write that follows then fails with
// its own message.
class DataLock {
public:
    DataLock();
    ~DataLock();
    DataLock(const DataLock&) = delete;
    DataLock& operator=(const DataLock&) = delete;

    // The bounded wait, 10 s unless changed.
    static void SetWaitMilliseconds(int ms);
    // The lock file of a data folder other than the program's own (the class journal works
    // on a folder the teacher chooses); "" goes back to kDataLockPath. Not while held.
    static void SetLockFile(const std::string& path);
};

}  // namespace tastora
