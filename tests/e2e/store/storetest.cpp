// The profile store through the Win32 file layer, run under Wine by tests/e2e/test_store.py
// in a folder holding data\:
//   storetest crash N          N writers killed with TerminateProcess at random moments
//   storetest classroom COUNT  two learners writing COUNT values each at the same time
//   storetest journal COUNT    the same while the teacher's journal acts COUNT / 5 rounds
//   storetest teacher NAME COUNT (child)
//   storetest inidiff FILES    our INI layer against kernel32's profile functions
//   storetest writer START     (child) store steps from START on, each reported on stdout
//   storetest learner NAME COUNT (child)
// The last line is "ok ..." or "FAILED: ..."; the exit code 0 only for ok.
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/text.h"
#include "tests/e2e/store/inidiff.h"
#include "tests/support/store_torture.h"

using namespace tastora;

namespace {

std::string Utf8(const wchar_t* w) { return Utf16ToUtf8(std::u16string(w, w + wcslen(w))); }
std::wstring Wide(const std::string& s) {
    const std::u16string u = Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

int Say(bool ok, const std::string& text) {
    std::printf("%s%s\n", ok ? "ok " : "FAILED: ", text.c_str());
    std::fflush(stdout);
    return ok ? 0 : 1;
}

std::wstring SelfPath() {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    return std::wstring(buf, n);
}

// Starts this program again with the arguments; its stdout goes to `out` when given.
PROCESS_INFORMATION Start(const std::wstring& args, HANDLE out) {
    std::wstring line = L"\"" + SelfPath() + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (out) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        throw TastoraError("CreateProcess failed: " + std::to_string(GetLastError()));
    return pi;
}

int Writer(long start) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    for (long i = start;; ++i) {
        torture::DoStoreStep(i);
        const std::string done = std::to_string(i) + "\n";
        DWORD written = 0;
        if (!WriteFile(out, done.data(), DWORD(done.size()), &written, nullptr)) return 4;
    }
}

int Crash(int kills) {
    wchar_t cwd[MAX_PATH * 2];
    GetCurrentDirectoryW(MAX_PATH * 2, cwd);
    const std::string real = Utf8(cwd);
    torture::CrashModel model(real + "\\work", real);
    std::mt19937 rng(20261207);
    long steps = 0;
    for (int k = 0; k < kills; ++k) {
        SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return Say(false, "CreatePipe");
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        const long start = model.NextStep();
        const PROCESS_INFORMATION pi = Start(L"writer " + std::to_wstring(start), writeEnd);
        CloseHandle(writeEnd);
        // The kill falls at a random moment after the writer's first step.
        std::string reports;
        char buf[4096];
        DWORD got = 0;
        while (reports.find('\n') == std::string::npos) {
            if (!ReadFile(readEnd, buf, sizeof buf, &got, nullptr) || got == 0)
                return Say(false, "the writer ended before its first step");
            reports.append(buf, got);
        }
        Sleep(DWORD(rng() % 16));
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) reports.append(buf, got);
        CloseHandle(readEnd);
        if (code != 9) return Say(false, "the writer ended by itself with " + std::to_string(code));
        const long lastDone = torture::LastReportedStep(reports, start);
        steps += lastDone - start + 1;
        const std::string problem = model.Check(lastDone);
        if (!problem.empty()) return Say(false, "after kill " + std::to_string(k) + ": " + problem);
    }
    return Say(true, std::to_string(kills) + " kills, " + std::to_string(steps) + " steps");
}

int Classroom(int count, bool withTeacher) {
    const std::vector<std::string> names = {"Анна", "Пётр"};
    std::vector<PROCESS_INFORMATION> learners;
    for (const std::string& name : names)
        learners.push_back(Start(L"learner \"" + Wide(name) + L"\" " + std::to_wstring(count), nullptr));
    if (withTeacher) learners.push_back(Start(L"teacher \"Вера\" " + std::to_wstring(count / 5), nullptr));
    for (const PROCESS_INFORMATION& pi : learners) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        if (code != 0) return Say(false, "a learner ended with " + std::to_string(code));
    }
    std::string problem = torture::CheckClassroom(
        names, count, withTeacher ? std::vector<std::string>{"Вера"} : std::vector<std::string>{});
    if (problem.empty() && withTeacher) problem = torture::CheckTeacher("Вера", count / 5);
    return Say(problem.empty(), problem.empty() ? std::to_string(count) + " writes each" : problem);
}

int IniDiff(int files) {
    IniDiffResult r = RunIniDiff(files, 20261207, false);
    const IniDiffResult anyCase = RunIniDiff(files, 20261208, true);
    r.reads += anyCase.reads;
    r.writes += anyCase.writes;
    r.failures.insert(r.failures.end(), anyCase.failures.begin(), anyCase.failures.end());
    for (const auto& d : anyCase.differences) r.differences[d.first] += d.second;
    for (const auto& d : r.differences) std::printf("difference: %s (%d times)\n", d.first.c_str(), d.second);
    if (!r.firstFileDifference.empty()) std::printf("first different file:\n%s\n", r.firstFileDifference.c_str());
    for (size_t i = 0; i < r.failures.size() && i < 5; ++i) std::printf("%s\n", r.failures[i].c_str());
    return Say(r.failures.empty() && r.fileFailures == 0,
               std::to_string(r.reads) + " reads, " + std::to_string(r.writes) + " writes, " +
                   std::to_string(r.failures.size()) + " different answers, " + std::to_string(r.fileFailures) +
                   " different files");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::string mode = argc > 1 ? Utf8(argv[1]) : "";
    try {
        if (mode == "writer" && argc > 2) return Writer(std::stol(Utf8(argv[2])));
        if (mode == "learner" && argc > 3) {
            torture::RunLearner(Utf8(argv[2]), std::stoi(Utf8(argv[3])));
            return 0;
        }
        if (mode == "crash" && argc > 2) return Crash(std::stoi(Utf8(argv[2])));
        if (mode == "teacher" && argc > 3) {
            torture::RunTeacher(Utf8(argv[2]), std::stoi(Utf8(argv[3])));
            return 0;
        }
        if (mode == "classroom" && argc > 2) return Classroom(std::stoi(Utf8(argv[2])), false);
        if (mode == "journal" && argc > 2) return Classroom(std::stoi(Utf8(argv[2])), true);
        if (mode == "inidiff" && argc > 2) return IniDiff(std::stoi(Utf8(argv[2])));
    } catch (const std::exception& e) {
        return Say(false, e.what());
    }
    return Say(false, "usage: storetest crash N | classroom COUNT | journal COUNT | inidiff FILES");
}
