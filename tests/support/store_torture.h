#pragma once
// Torture of the profile store, shared by the native unit tests (fork, SIGKILL) and the
// Win32 helper storetest.exe under Wine (CreateProcess, TerminateProcess). Platform-free:
// it works on the data\ folder of the current directory through the program's own store.
#include <string>
#include <vector>

namespace tastora::torture {

// Step i of the writers' endless sequence on ./data: creates, deletes or updates one of
// four profiles, or counts wrong keys into one of its counters. Every step that writes changes users.ini.
void DoStoreStep(long i);

// Follows a writer that is killed at random moments. The model folder holds the files as
// they must be after the steps the writer reported done; after a kill the real files
// must equal the model, or the model one step further (each file on its own: users.ini may
// be one step ahead of lista.txt, never behind it).
class CrashModel {
public:
    // work: an empty folder of the model's own (absolute path); real: the folder whose
    // data\ the writer uses.
    CrashModel(std::string work, std::string real);
    // The writer reported steps up to lastDone (-1: none yet) and was killed. Returns ""
    // or what is wrong; moves the model on to the real state.
    std::string Check(long lastDone);
    // The step the next writer starts with.
    long NextStep() const { return next_; }

private:
    std::string work_, real_;
    long next_ = 0;
};

// The last step a writer reported done in its lines "<step>\n" (start - 1: none).
long LastReportedStep(const std::string& reports, long start);

// A learner of the classroom test: writes `count` values into its own profile (creating
// it first), counts as many wrong keys into its own counters and into a counter of a profile
// that all learners share, writing them every third key as the exercise does, and every 50
// writes creates and deletes a scratch profile.
void RunLearner(const std::string& name, int count);
// After all learners ended: "" or what is missing. alsoListed: further names in lista.txt.
std::string CheckClassroom(const std::vector<std::string>& names, int count,
                           const std::vector<std::string>& alsoListed = {});

// The teacher's journal at the same time: `count` rounds of its actions on a learner of its
// own (made first), a scratch learner created and deleted every 10 rounds.
void RunTeacher(const std::string& name, int count);
// After the teacher ended: "" or what its actions did not leave.
std::string CheckTeacher(const std::string& name, int count);

}  // namespace tastora::torture
