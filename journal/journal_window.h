#pragma once
// The journal's window: the learners of a data folder in a virtual list (sorted by a click on
// a column's header, filtered by part of a name), one learner's pictures and the teacher's
// help, each change asked for, protected by the teacher's password and followed by the class
// read again.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/bitmap.h"
#include "core/files.h"
#include "core/form_layout.h"
#include "core/ui_port.h"
#include "journal/journal.h"
#include "journal/teacher_password.h"

namespace tastora {

extern const char kJournalTitle[];  // "Tastora — журнал класса"

// What the journal needs of the system beside its window: the program's folder, the user's
// settings, the folder and file choices, the cryptography and the clock of the performance
// checks.
class JournalHost {
public:
    virtual ~JournalHost() = default;
    virtual std::string ProgramFolder() = 0;  // the folder of tastora-teacher.exe
    virtual bool IsFolder(const std::string& path) = 0;
    virtual std::string RememberedFolder() = 0;  // "" when none
    virtual void RememberFolder(const std::string& folder) = 0;
    // True the first time it is asked for this user.
    virtual bool FirstPasswordOffer() = 0;
    virtual std::string ChooseFolder() = 0;  // "" when the teacher cancelled
    // The file to export to, with the extension of the kind chosen; "" when cancelled.
    virtual std::string ChooseExportFile() = 0;
    virtual Rgb FaceColor() = 0;  // the colour of the window's background
    virtual CryptoPort& Crypto() = 0;
    // For the performance checks: a start, then "<what>_ms=<n>" noted from it.
    virtual int64_t TimingStart() { return 0; }
    virtual void TimingDone(const char* what, int64_t start) { (void)what, (void)start; }
};

class JournalWindow {
public:
    JournalWindow(UiPort& ui, JournalHost& host);
    FormSpec Layout();
    // The password windows: the teacher's password, or a new one typed twice alike.
    FormSpec PasswordLayout(bool twice);
    // The folder remembered for the user, else data\ beside the program.
    void Start();
    void Open(const std::string& folder);
    // Once the window is on the screen: at the first start, the offer of a teacher's password.
    void OnShown();

    void OnActivate();
    void OnFilterChange();
    void OnSortClick(int column);
    void OnSelect();
    void OnListKey(uint16_t key);
    void OnFolderClick();
    void OnExportClick();
    void OnClearPasswordClick();
    void OnMoveClick();
    void OnResetClick();
    void OnDeleteClick();
    void OnPasswordClick();
    void OnPaint();
    void OnPasswordOkClick(bool twice);

    static constexpr int kDetailLeft = 8, kDetailTop = 324;
    const ClassJournal& Class() const { return journal_; }

private:
    void Reload();
    void Refilter();
    void ShowDetail();
    std::vector<int> Selected();
    std::string CourseFolder();
    std::pair<FileStamp, FileStamp> Stamps() const;
    bool TeacherAllows();
    // The password window; false when the teacher closed it.
    bool AskPassword(const std::string& prompt, bool twice, std::string& typed);
    void ChangePassword();
    template <class Fn>
    void Act(const char* what, const std::string& question, Fn action);

    UiPort& ui_;
    JournalHost& host_;
    LabelHandle folderPath_, learnerText_, missedText_, status_;
    EditHandle filter_;
    ListHandle list_;
    ComboHandle lesson_;
    std::string folder_;
    ClassJournal journal_;
    std::vector<int> rows_;
    Column sortColumn_ = Column::Name;
    bool ascending_ = true;
    std::pair<FileStamp, FileStamp> stamps_;
    static constexpr int kNothingShown = INT32_MIN;
    int shown_ = kNothingShown;  // the learner in the detail, or minus the number selected, minus 1
    Bitmap detail_;
    struct PasswordWindow {
        LabelHandle prompt, mismatch;
        EditHandle first, second;
    } password_[2];  // asking, new (twice)
    bool passwordGiven_ = false;
    std::string passwordTyped_;
};

}  // namespace tastora
