#include "tests/support/store_torture.h"

#include <filesystem>
#include <set>
#include <utility>

#include "core/files.h"
#include "core/ini.h"
#include "core/regional.h"
#include "core/text.h"
#include "journal/journal.h"
#include "users/error_counts.h"
#include "users/user_store.h"

namespace fs = std::filesystem;

namespace tastora::torture {

namespace {

const char kMissing[] = "<missing>";
const char kSharedProfile[] = "Общий";  // a profile whose counter every learner adds to

std::string Contents(const std::string& path) {
    std::string bytes;
    return ReadWholeFile(path, bytes) ? bytes : kMissing;
}

// Runs fn with folder as the current directory.
template <class Fn>
void In(const std::string& folder, Fn fn) {
    const fs::path back = fs::current_path();
    fs::current_path(folder);
    try {
        fn();
    } catch (...) {
        fs::current_path(back);
        throw;
    }
    fs::current_path(back);
}

void CopyData(const std::string& from, const std::string& to) {
    fs::remove_all(fs::path(to) / "data");
    fs::create_directories(fs::path(to) / "data");
    for (const char* name : {"users.ini", "lista.txt"}) {
        const fs::path src = fs::path(from) / "data" / name;
        if (fs::exists(src)) fs::copy_file(src, fs::path(to) / "data" / name);
    }
}

}  // namespace

void DoStoreStep(long i) {
    const std::string name = std::string("Ученик ") + char('A' + i % 4);
    if (!ProfileExists(name)) {
        CreateProfile(name, "пароль " + std::to_string(i), ',');
    } else if (i % 5 == 0) {
        DeleteProfile(name);
    } else if (i % 5 == 1) {
        // Wrong keys, written as the exercise writes them: mostly in place.
        ErrorCounts errors;
        for (long k = 0; k <= i % 3; ++k) errors.Add(name, int(1 + i % 7), i % 2 != 0);
        ProfileStore store;
        errors.Write(store);
    } else {
        IniFile(kUsersIni).WriteStrings(
            name, {{"nivel", FormatReal(1.1 + double(i % 16), ',')}, {std::to_string(1 + i % 56), std::to_string(i)}});
    }
}

CrashModel::CrashModel(std::string work, std::string real) : work_(std::move(work)), real_(std::move(real)) {
    fs::create_directories(fs::path(work_) / "model" / "data");
    fs::create_directories(fs::path(work_) / "next" / "data");
}

std::string CrashModel::Check(long lastDone) {
    const std::string model = (fs::path(work_) / "model").string();
    const std::string after = (fs::path(work_) / "next").string();
    In(model, [&] {
        for (; next_ <= lastDone; ++next_) DoStoreStep(next_);
    });
    CopyData(model, after);
    In(after, [&] { DoStoreStep(next_); });

    std::string problem;
    const std::string step = "step " + std::to_string(next_) + ": ";
    std::string realIni, realList, modelIni, modelList, nextIni, nextList;
    In(real_, [&] {
        realIni = Contents(kUsersIni);
        realList = Contents(kNameList);
    });
    In(model, [&] {
        modelIni = Contents(kUsersIni);
        modelList = Contents(kNameList);
    });
    In(after, [&] {
        nextIni = Contents(kUsersIni);
        nextList = Contents(kNameList);
    });
    const bool iniAhead = realIni == nextIni && realIni != modelIni;
    const bool listAhead = realList == nextList && realList != modelList;
    if (realIni != modelIni && !iniAhead)
        problem = step + "users.ini is neither the state before nor after the step:\n" + realIni;
    else if (realList != modelList && !listAhead)
        problem = step + "lista.txt is neither the state before nor after the step:\n" + realList;
    else if (listAhead && !iniAhead)
        problem = step + "lista.txt is ahead of users.ini";

    // Nothing but the two files, the lock file and at most one temporary file each.
    std::set<std::string> allowed = {"users.ini", "lista.txt", "tastora.lock", "users.ini.tmp~", "lista.txt.tmp~"};
    for (const auto& e : fs::directory_iterator(fs::path(real_) / "data"))
        if (e.is_regular_file() && !allowed.count(e.path().filename().string()) && problem.empty())
            problem = step + "a stray file in data: " + e.path().filename().string();

    // The model takes the real state over (lista.txt may lag behind for good).
    CopyData(real_, model);
    if (iniAhead) ++next_;
    return problem;
}

long LastReportedStep(const std::string& reports, long start) {
    const size_t end = reports.rfind('\n');
    if (end == std::string::npos) return start - 1;
    const size_t begin = end == 0 ? std::string::npos : reports.rfind('\n', end - 1);
    return std::stol(reports.substr(begin == std::string::npos ? 0 : begin + 1, end));
}

void RunLearner(const std::string& name, int count) {
    CreateProfile(name, "", ',');
    IniFile ini(kUsersIni);
    ProfileStore store;
    ErrorCounts errors;
    for (int j = 0; j < count; ++j) {
        ini.WriteString(name, "w" + std::to_string(j), std::to_string(j * 7));
        errors.Add(name, 1 + j % 5, false);
        errors.Add(kSharedProfile, 33, false);
        if (j % 3 == 2 || j == count - 1) errors.Write(store);
        if (j % 50 == 0) {
            const std::string scratch = name + " " + std::to_string(j);
            CreateProfile(scratch, "x", ',');
            DeleteProfile(scratch);
        }
    }
}

std::string CheckClassroom(const std::vector<std::string>& names, int count,
                           const std::vector<std::string>& alsoListed) {
    IniFile ini(kUsersIni);
    for (const std::string& name : names) {
        for (int j = 0; j < count; ++j) {
            const std::string key = "w" + std::to_string(j);
            if (ini.ReadString(name, key, "") != std::to_string(j * 7))
                return "the write " + key + " of " + name + " is lost";
        }
        if (ini.ReadString(name, "nivel", "") != "1,1") return name + " lost its level";
        int errors = 0;
        for (int key = 1; key <= 5; ++key) errors += ini.ReadInteger(name, std::to_string(key), 0);
        if (errors != count) return name + " counted " + std::to_string(errors) + " wrong keys";
    }
    const int shared = ini.ReadInteger(kSharedProfile, "33", 0);
    if (shared != int(names.size()) * count)
        return "the counter that all learners share holds " + std::to_string(shared);
    std::set<std::string> listed(names.begin(), names.end());
    listed.insert(alsoListed.begin(), alsoListed.end());
    std::vector<std::string> inList = LoadNames(false);
    if (std::set<std::string>(inList.begin(), inList.end()) != listed || inList.size() != listed.size())
        return "lista.txt holds other names than the learners: " + std::to_string(inList.size()) + " lines";
    return "";
}

void RunTeacher(const std::string& name, int count) {
    CreateProfile(name, "secret", ',');
    IniFile ini(kUsersIni);
    for (int j = 0; j < count; ++j) {
        ini.WriteStrings(name, {{"12", std::to_string(j + 1)}, {"pass", "eHl6"}});
        ResetCounters("data", name);
        ClearPassword("data", name);
        MoveToLesson("data", name, 1 + j % 16, ',');
        if (j % 10 == 0) {
            const std::string scratch = name + " " + std::to_string(j);
            CreateProfile(scratch, "", ',');
            DeleteLearners("data", {scratch});
        }
    }
}

std::string CheckTeacher(const std::string& name, int count) {
    IniFile ini(kUsersIni);
    const std::string level = std::to_string(1 + (count - 1) % 16) + ",1";
    if (ini.ReadString(name, "12", "") != "0" || ini.ReadString(name, "pass", "x") != "" ||
        ini.ReadString(name, "nivel", "") != level)
        return "the teacher's last actions on " + name + " are not in users.ini";
    return "";
}

}  // namespace tastora::torture
