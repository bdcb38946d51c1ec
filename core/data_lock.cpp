#include "core/data_lock.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "core/errors.h"
#include "core/files.h"

namespace tastora {

const char kDataBusyMessage[] =
    "Файлы данных в папке data сейчас заняты другой копией программы Tastora. "
    "Подождите несколько секунд и повторите действие.";

namespace {

// The program runs on one thread: the holders of one process share one lock.
int depth = 0;
intptr_t handle = kLockUnavailable;
int waitMs = 10000;
std::string& LockFile() {
    static std::string path = kDataLockPath;
    return path;
}

}  // namespace

DataLock::DataLock() {
    if (depth++ > 0) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        handle = TryLockFile(LockFile());
        if (handle != kLockBusy) return;  // held, or no lock to be had
        if (std::chrono::steady_clock::now() >= deadline) {
            depth = 0;
            throw TastoraError(kDataBusyMessage);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

DataLock::~DataLock() {
    if (--depth > 0) return;
    ReleaseFileLock(handle);
    handle = kLockUnavailable;
}

void DataLock::SetWaitMilliseconds(int ms) { waitMs = ms < 0 ? 0 : ms; }

void DataLock::SetLockFile(const std::string& path) { LockFile() = path.empty() ? kDataLockPath : path; }

}  // namespace tastora
