// The profile store under crashes and beside a second copy of the program: writers killed
// with SIGKILL at random moments, and two processes writing at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "tests/support/store_torture.h"
#include "tests/support/test_files.h"
#include "users/user_store.h"

namespace tastora {
namespace {

// Starts fn in a child process; the child ends when fn returns.
template <class Fn>
pid_t Spawn(Fn fn) {
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            fn();
        } catch (...) {
            _exit(3);
        }
        _exit(0);
    }
    return pid;
}

TEST(CrashSafety, WritersKilledAtRandomLeaveEachFileBeforeOrAfterTheirLastWrite) {
    TempDataDir dir;
    torture::CrashModel model(dir.path() + "/work", dir.path());
    std::mt19937 rng(20261207);
    for (int kill = 0; kill < 200; ++kill) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const long start = model.NextStep();
        const pid_t pid = Spawn([&] {
            close(fds[0]);
            for (long i = start;; ++i) {
                torture::DoStoreStep(i);
                const std::string done = std::to_string(i) + "\n";
                if (write(fds[1], done.data(), done.size()) < 0) _exit(4);
            }
        });
        ASSERT_GT(pid, 0);
        close(fds[1]);
        // The kill falls at a random moment of the writes after the writer's first step
        // (a step takes a few milliseconds, most of them flushing to disk).
        std::string reports;
        char buf[4096];
        while (reports.find('\n') == std::string::npos) {
            const ssize_t n = read(fds[0], buf, sizeof buf);
            ASSERT_GT(n, 0) << "the writer ended before its first step";
            reports.append(buf, size_t(n));
        }
        usleep(useconds_t(rng() % 15000));
        ::kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;
        for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) reports.append(buf, size_t(n));
        close(fds[0]);
        const long lastDone = torture::LastReportedStep(reports, start);
        const std::string problem = model.Check(lastDone);
        ASSERT_EQ(problem, "") << "after kill " << kill;
    }
}

TEST(Classroom, TwoProcessesWritingAtOnceLoseNothing) {
    // Two learners, then the same beside the teacher's journal acting on a third.
    for (const bool teacher : {false, true}) {
        TempDataDir dir;
        const int count = 300;
        const pid_t a = Spawn([&] { torture::RunLearner("Анна", count); });
        const pid_t b = Spawn([&] { torture::RunLearner("Пётр", count); });
        const pid_t c = teacher ? Spawn([&] { torture::RunTeacher("Вера", count / 5); }) : 0;
        for (const pid_t pid : {a, b, c}) {
            int status = 0;
            if (pid == 0) continue;
            waitpid(pid, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        EXPECT_EQ(torture::CheckClassroom({"Анна", "Пётр"}, count,
                                          teacher ? std::vector<std::string>{"Вера"} : std::vector<std::string>{}),
                  "");
        if (teacher) {
            EXPECT_EQ(torture::CheckTeacher("Вера", count / 5), "");
        }
    }
}

TEST(Classroom, ALockHeldTooLongGivesAClearMessageAndKeepsTheFile) {
    TempDataDir dir;
    WriteTestFile("data\\users.ini", "[Anna]\r\nnivel=2,1\r\n");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t holder = Spawn([&] {
        const DataLock lock;
        if (write(fds[1], "x", 1) != 1) _exit(4);
        pause();
    });
    char c;
    ASSERT_EQ(read(fds[0], &c, 1), 1);  // the other process holds the lock now
    DataLock::SetWaitMilliseconds(200);
    try {
        IniFile("data\\users.ini").WriteString("Anna", "nivel", "3,1");
        ADD_FAILURE() << "the write went through a held lock";
    } catch (const TastoraError& e) {
        EXPECT_STREQ(e.what(), kDataBusyMessage);
    }
    EXPECT_THROW(DeleteProfile("Anna"), TastoraError);
    ::kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "[Anna]\r\nnivel=2,1\r\n");
    // The lock ends with its process.
    IniFile("data\\users.ini").WriteString("Anna", "nivel", "3,1");
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "[Anna]\r\nnivel=3,1\r\n");
    DataLock::SetWaitMilliseconds(10000);
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace tastora
