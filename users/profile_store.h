#pragma once
// The profile store: data\users.ini, one section per profile. This is the one place that
// knows the keys of a profile:
//   nivel        the level N.d (a real in the regional format of the day it was written)
//   pass         Base64 of the password's Windows-1251 bytes
//   doi          2: the next attempt at the current exercise is the lenient second one;
//                1 once an exercise has passed
//   N.d or N,d   the speed of lesson N's exercise (d 1), test (d 2) or review (d 3)
//   N and Nu     the error counters of key N, typed plain and with Shift
// Section and key names are matched without regard to case, as the INI file does; names and
// values are UTF-8 here. A write raises TastoraError "Unable to write to <file>".
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/ini.h"

namespace tastora {

constexpr char kUsersIni[] = "data\\users.ini";
// Level of a new profile and of one whose nivel cannot be read: lesson 1, exercise.
constexpr double kFirstLevel = 1.1;
constexpr int kCourseLessons = 16;
// The keys whose error counters a profile keeps: 1..56.
constexpr int kCountedKeys = 56;
constexpr int kSpeedPoints = 2 * kCourseLessons;  // exercise and test of every lesson

// What a key of a profile's section stands for, as a reader of the whole file sees it:
// the level and password keys in any letter case; counters of keys 1..56 written with at
// most three digits ("7", "007", "7u", "7U"); speeds of the exercise and test of lessons
// 1..16 ("3.1", "3,2").
struct ProfileKey {
    enum Kind { Other, Level, Password, Attempt, Counter, ShiftedCounter, Speed } kind = Other;
    int index = 0;       // Counter, ShiftedCounter: the key; Speed: 2 × (lesson - 1) + kind - 1
    bool point = false;  // Speed: written with a point rather than a comma
};
ProfileKey ClassifyProfileKey(const std::string& key);

// What one evaluation leaves in the profile; the keys are written together, in the order
// level, speed, attempt flag.
struct ProfileStep {
    enum Attempt { KeepAttempt, FirstAttempt, SecondAttempt };
    bool storeLevel = false;
    double level = 0;
    bool storeSpeed = false;
    double speedLevel = 0;  // the level whose speed it is, the key "N.d"
    int speed = 0;
    Attempt attempt = KeepAttempt;
};

class ProfileStore {
public:
    // file: the program's own, or the users.ini of a class's data folder (FileIn).
    explicit ProfileStore(std::string file = kUsersIni);
    static std::string FileIn(const std::string& folder);

    // The next lookup checks the file again (a store kept across operations).
    void Refresh() { ini_.Refresh(); }
    // The section exists and holds at least one key.
    bool Exists(const std::string& name);
    IniFile::Contents ReadAll() { return ini_.ReadAll(); }

    // --- the learner's program
    // Level and password in one replacement of the file.
    void Create(const std::string& name, const std::string& password, char decimalSeparator);
    // The stored password decoded and compared byte for byte with the typed one (a missing
    // one is empty). Raises "Uneven size in DecodeToStream." for a stored value whose length
    // is not a multiple of 4; a stored value with other foreign characters matches nothing.
    bool PasswordMatches(const std::string& name, const std::string& typed);
    // nivel; kFirstLevel when missing or not a real in the given regional format.
    double Level(const std::string& name, char decimalSeparator);
    bool SecondAttempt(const std::string& name);
    void Store(const std::string& name, const ProfileStep& step, char decimalSeparator);
    // The speeds of the exercise and test of every lesson, 0 where none is stored; a speed is
    // read under its key with a point first, with a comma when that gives nothing.
    std::array<int, kSpeedPoints> Speeds(const std::string& name);
    // Adds errors to the counter of the key (plain or shifted), read and written under the
    // data lock from the file as it is now; a counter stops at the largest 32-bit value.
    void AddErrors(const std::string& name, int key, bool shifted, int32_t errors);
    // The plain counters of keys 1..keys (index 0 unused), with every counter of those keys,
    // plain and shifted, set back to 0 in one write under the data lock; a counter that is
    // missing or already 0 is not written.
    std::vector<int> TakeErrorCounters(const std::string& name, int keys);
    // Every section of these names.
    void Erase(const std::vector<std::string>& names);

    // --- the teacher's help (the caller holds the data lock)
    // The password emptied (nothing written when it is empty or missing).
    void ClearPassword(const std::string& name);
    // The first exercise of the lesson, written in the regional format that the stored level
    // uses (decimalSeparator when it shows none); a flag of a second attempt goes back to 1.
    void MoveToLesson(const std::string& name, int lesson, char decimalSeparator);
    // Every counter of keys 1..56 that is not "0" set to 0, in one write.
    void ResetCounters(const std::string& name);

private:
    IniFile ini_;
};

}  // namespace tastora
