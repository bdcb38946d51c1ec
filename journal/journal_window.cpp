#include "journal/journal_window.h"

#include <algorithm>
#include <cstdlib>

#include "core/errors.h"
#include "core/ini.h"

namespace tastora {

const char kJournalTitle[] = "Tastora — журнал класса";

namespace {

constexpr int kClientWidth = 1000, kClientHeight = 700;
constexpr int kDetailHeight = 210;
const int kColumnWidths[kColumnCount] = {200, 165, 125, 145, 135, 70, 110};
const char kLessonPrefix[] = "Урок ";

std::string Plural(size_t n, const char* one, const char* few, const char* many) {
    const size_t d = n % 10, h = n % 100;
    if (d == 1 && h != 11) return one;
    if (d >= 2 && d <= 4 && (h < 12 || h > 14)) return few;
    return many;
}

std::string WithName(std::string question, const std::string& name) {
    question.replace(question.find("%s"), 2, name);
    return question;
}

}  // namespace

JournalWindow::JournalWindow(UiPort& ui, JournalHost& host) : ui_(ui), host_(host) {}

FormSpec JournalWindow::Layout() {
    FormSpec f = MakeForm(FormId::Journal, kJournalTitle, BorderStyle::Single, true, kClientWidth, kClientHeight);
    f.font = FontSpec{"Tahoma", 0, 13, false};
    auto label = [&](const char* name, int left, int top, int width, int height, const char* text = "") {
        ControlSpec c = MakeControl(name, ControlKind::Label, left, top, width, height, text);
        c.autoSize = false;  // the labels keep their places; the taller ones wrap
        c.wordWrap = height > 18;
        return f.Add<LabelHandle>(c);
    };
    auto button = [&](const char* name, int left, int top, const char* text, int tab, void (JournalWindow::*h)()) {
        ControlSpec c = MakeControl(name, ControlKind::Button, left, top, 150, top < 100 ? 26 : 28, text, tab);
        c.onClick = [this, h] { (this->*h)(); };
        f.Add<ButtonHandle>(c);
    };
    label("FolderCaption", 8, 12, 100, 18, "Папка данных:");
    folderPath_ = label("FolderPath", 110, 12, 560, 18);
    button("FolderButton", 680, 6, "Другая папка…", 0, &JournalWindow::OnFolderClick);
    button("ExportButton", 842, 6, "Экспорт…", 1, &JournalWindow::OnExportClick);
    label("FilterCaption", 8, 42, 120, 18, "Поиск по имени:");
    ControlSpec filter = MakeControl("FilterEdit", ControlKind::Edit, 130, 38, 300, 22, "", 2);
    filter.onChange = [this] { OnFilterChange(); };
    filter_ = f.Add<EditHandle>(filter);

    ControlSpec list = MakeControl("LearnerList", ControlKind::List, 8, 66, 984, 250, "", 3);
    for (int c = 0; c < kColumnCount; ++c)
        list.columns.push_back(ListColumn{kColumnTitles[c], kColumnWidths[c], c >= int(Column::Lessons)});
    list.barColumn = int(Column::Progress);
    list.cellText = [this](int row, int column) {
        if (row < 0 || size_t(row) >= rows_.size() || column < 0 || column >= kColumnCount) return std::string();
        return CellText(journal_.learners[size_t(rows_[size_t(row)])], Column(column));
    };
    list.onChange = [this] { OnSelect(); };
    list.onColumnClick = [this](int column) { OnSortClick(column); };
    list.onKey = [this](uint16_t key) { OnListKey(key); };
    list_ = f.Add<ListHandle>(list);

    learnerText_ = label("LearnerText", 8, 540, 600, 18, "Выберите ученика в списке.");
    missedText_ = label("MissedText", 8, 562, 984, 34);
    button("ClearPasswordButton", 8, 604, "Сбросить пароль", 4, &JournalWindow::OnClearPasswordClick);
    ControlSpec lesson = MakeControl("LessonCombo", ControlKind::ComboBox, 170, 606, 100, 24, "Урок 1", 5);
    lesson.readOnly = true;  // a lesson of the list only
    lesson_ = f.Add<ComboHandle>(lesson);
    button("MoveButton", 276, 604, "Перевести на урок", 6, &JournalWindow::OnMoveClick);
    button("ResetButton", 438, 604, "Обнулить ошибки", 7, &JournalWindow::OnResetClick);
    button("DeleteButton", 600, 604, "Удалить учеников", 8, &JournalWindow::OnDeleteClick);
    button("PasswordButton", 842, 604, "Пароль учителя…", 9, &JournalWindow::OnPasswordClick);
    status_ = label("StatusText", 8, 646, 984, 48);

    f.onCreate = [this] {
        std::vector<std::string> lessons;
        for (int n = 1; n <= kCourseLessons; ++n) lessons.push_back(kLessonPrefix + std::to_string(n));
        ui_.SetItems(lesson_, lessons);
    };
    f.onActivate = [this] { OnActivate(); };
    f.onPaint = [this] { OnPaint(); };
    return f;
}

FormSpec JournalWindow::PasswordLayout(bool twice) {
    FormSpec f = MakeForm(twice ? FormId::JournalNewPassword : FormId::JournalPassword, "Пароль учителя",
                          BorderStyle::ToolWindow, true, 380, twice ? 170 : 130);
    f.font = FontSpec{"Tahoma", 0, 13, false};
    PasswordWindow& w = password_[twice];
    ControlSpec prompt = MakeControl("Prompt", ControlKind::Label, 12, 10, 356, 34);
    prompt.autoSize = false;
    prompt.wordWrap = true;
    w.prompt = f.Add<LabelHandle>(prompt);
    w.first = f.Add<EditHandle>(MakeControl("FirstEdit", ControlKind::PasswordEdit, 12, 50, 356, 22, "", 0));
    const int buttons = twice ? 130 : 90;
    if (twice) {
        w.second = f.Add<EditHandle>(MakeControl("SecondEdit", ControlKind::PasswordEdit, 12, 80, 356, 22, "", 1));
        ControlSpec mismatch = MakeControl("Mismatch", ControlKind::Label, 12, 106, 356, 18);
        mismatch.autoSize = false;
        w.mismatch = f.Add<LabelHandle>(mismatch);
    }
    ControlSpec ok = MakeControl("OkButton", ControlKind::Button, 178, buttons, 90, 28, "ОК", 2);
    ok.defaultButton = true;
    ok.onClick = [this, twice] { OnPasswordOkClick(twice); };
    f.Add<ButtonHandle>(ok);
    ControlSpec cancel = MakeControl("CancelButton", ControlKind::Button, 278, buttons, 90, 28, "Отмена", 3);
    const FormId id = f.id;
    cancel.onClick = [this, id] { ui_.Hide(id); };
    f.Add<ButtonHandle>(cancel);
    return f;
}

bool JournalWindow::AskPassword(const std::string& prompt, bool twice, std::string& typed) {
    const PasswordWindow& w = password_[twice];
    ui_.SetText(w.prompt, prompt);
    ui_.SetText(w.first, "");
    if (twice) {
        ui_.SetText(w.second, "");
        ui_.SetText(w.mismatch, "");
    }
    ui_.SetFocus(w.first);
    passwordGiven_ = false;
    ui_.ShowModal(twice ? FormId::JournalNewPassword : FormId::JournalPassword);
    typed.swap(passwordTyped_);
    passwordTyped_.assign(passwordTyped_.size(), '\0');
    passwordTyped_.clear();
    return passwordGiven_;
}

// "ОК": the password, when a new one was typed twice alike.
void JournalWindow::OnPasswordOkClick(bool twice) {
    const PasswordWindow& w = password_[twice];
    const std::string first = ui_.Text(w.first);
    if (twice && first != ui_.Text(w.second)) {
        ui_.SetText(w.mismatch, "Пароли не совпадают. Введите их ещё раз.");
        ui_.SetText(w.second, "");
        ui_.SetFocus(w.second);
        return;
    }
    passwordTyped_ = first;
    passwordGiven_ = true;
    ui_.Hide(twice ? FormId::JournalNewPassword : FormId::JournalPassword);
}

void JournalWindow::Start() {
    std::string folder = host_.RememberedFolder();
    if (folder.empty() || !host_.IsFolder(folder)) folder = host_.ProgramFolder() + "\\data";
    Open(folder);
}

void JournalWindow::OnShown() {
    if (TeacherPasswordSet(folder_) || !host_.FirstPasswordOffer()) return;
    if (ui_.ConfirmChange("Задать пароль учителя? Журнал будет спрашивать его перед каждым изменением данных "
                          "учеников. Его можно задать и позже кнопкой «Пароль учителя…».",
                          kJournalTitle))
        ChangePassword();
}

void JournalWindow::Open(const std::string& folder) {
    folder_ = folder;
    ui_.SetText(folderPath_, folder);
    Reload();
}

// The versions of the two files the list was read from.
std::pair<FileStamp, FileStamp> JournalWindow::Stamps() const {
    std::pair<FileStamp, FileStamp> s;
    GetFileStamp(ProfileStore::FileIn(folder_), s.first);
    GetFileStamp(folder_ + "\\lista.txt", s.second);
    return s;
}

void JournalWindow::Reload() {
    const int64_t start = host_.TimingStart();
    stamps_ = Stamps();
    IniFile::ForgetAll();
    shown_ = kNothingShown;
    journal_ = ReadClass(folder_, ui_.DecimalSeparator());
    Refilter();
    std::string status = "Учеников: " + std::to_string(journal_.learners.size()) + ".";
    for (const auto& p : journal_.problems) status += " " + p;
    ui_.SetText(status_, status);
    host_.TimingDone("journal_open", start);
}

// The rows again, the learner selected before (by name) selected again, one detail at the end.
void JournalWindow::Refilter() {
    const std::vector<int> before = Selected();
    const std::string keep = before.empty() ? "" : journal_.learners[size_t(before[0])].name;
    rows_ = VisibleRows(journal_, ui_.Text(filter_), sortColumn_, ascending_);
    ui_.SetRowCount(list_, int(rows_.size()));
    for (size_t i = 0; i < rows_.size() && !keep.empty(); ++i)
        if (journal_.learners[size_t(rows_[i])].name == keep) {
            ui_.SelectRow(list_, int(i));
            break;
        }
    ShowDetail();
}

// The learners selected in the list (indices into the class).
std::vector<int> JournalWindow::Selected() {
    std::vector<int> out;
    for (int row : ui_.SelectedRows(list_))
        if (row >= 0 && size_t(row) < rows_.size() && size_t(rows_[size_t(row)]) < journal_.learners.size())
            out.push_back(rows_[size_t(row)]);
    return out;
}

std::string JournalWindow::CourseFolder() {
    const std::string own = host_.ProgramFolder() + "\\data";
    return host_.IsFolder(own + "\\pictures") ? own : folder_;
}

void JournalWindow::ShowDetail() {
    const std::vector<int> selected = Selected();
    // The same learner (or none) as shown: nothing to compose again.
    const int now = selected.size() == 1 ? selected[0] : -int(selected.size()) - 1;
    if (now == shown_) return;
    shown_ = now;
    detail_ = Bitmap(kClientWidth - 2 * kDetailLeft, kDetailHeight, host_.FaceColor());
    if (selected.size() == 1) {
        const Learner& l = journal_.learners[size_t(selected[0])];
        const std::string course = CourseFolder();
        detail_.Draw(DetailPicture(l, course), 0, 0);
        const auto errors = KeyErrors(l);
        const int most = *std::max_element(errors.begin(), errors.end());
        ui_.SetText(learnerText_, l.name + ": " + l.standing + (l.hasPassword ? "" : ", без пароля"));
        std::string missed = "Ошибки по клавишам: белый — 0, красный — " + std::to_string(most) + ".";
        const auto top = TopMissedKeys(l, course);
        if (!top.empty()) {
            missed += " Чаще всего: ";
            for (size_t k = 0; k < top.size(); ++k) missed += (k ? "; " : "") + top[k];
            missed += ".";
        }
        ui_.SetText(missedText_, missed);
    } else {
        ui_.SetText(learnerText_, selected.empty() ? "Выберите ученика в списке."
                                                   : "Выбрано учеников: " + std::to_string(selected.size()) + ".");
        ui_.SetText(missedText_, "");
    }
    ui_.Blit(FormId::Journal, detail_, kDetailLeft, kDetailTop);
}

void JournalWindow::OnPaint() {
    if (!detail_.Empty()) ui_.Blit(FormId::Journal, detail_, kDetailLeft, kDetailTop);
}

// Back in the journal: what another copy of the program wrote meanwhile is shown.
void JournalWindow::OnActivate() {
    if (!folder_.empty() && Stamps() != stamps_) Reload();
}

void JournalWindow::OnFilterChange() { Refilter(); }

// The column's header: sorted by it, a second click the other way round.
void JournalWindow::OnSortClick(int column) {
    if (column < 0 || column >= kColumnCount) return;
    const int64_t start = host_.TimingStart();
    ascending_ = Column(column) == sortColumn_ ? !ascending_ : true;
    sortColumn_ = Column(column);
    ui_.SetSortArrow(list_, column, ascending_);
    Refilter();
    host_.TimingDone("journal_sort", start);
}

void JournalWindow::OnSelect() { ShowDetail(); }

// Delete: the selected learners (after the confirmation); F5: the folder read again.
void JournalWindow::OnListKey(uint16_t key) {
    constexpr uint16_t kDelete = 0x2E, kF5 = 0x74;
    if (key == kDelete) OnDeleteClick();
    if (key == kF5) Reload();
}

void JournalWindow::OnFolderClick() {
    const std::string folder = host_.ChooseFolder();
    if (folder.empty()) return;
    host_.RememberFolder(folder);
    Open(folder);
}

void JournalWindow::OnExportClick() {
    const std::string file = host_.ChooseExportFile();
    if (file.empty()) return;
    Reload();  // the class as it is now
    ExportClass(journal_, file, CourseFolder());
    ui_.ShowMessageBox("Журнал сохранён: " + file, kJournalTitle);
}

// Before a change: the teacher's password, when the folder has one.
bool JournalWindow::TeacherAllows() {
    if (!TeacherPasswordSet(folder_)) return true;
    std::string typed;
    if (!AskPassword("Введите пароль учителя:", false, typed)) return false;
    if (CheckTeacherPassword(folder_, typed, host_.Crypto())) return true;
    ui_.ShowMessageBox("Неверный пароль учителя. Данные не изменены.", kJournalTitle);
    return false;
}

void JournalWindow::ChangePassword() {
    if (!TeacherAllows()) return;
    std::string typed;
    if (!AskPassword("Новый пароль учителя, два раза (пустой пароль снимает защиту):", true, typed)) return;
    SetTeacherPassword(folder_, typed, host_.Crypto());
    ui_.ShowMessageBox(typed.empty() ? "Пароль учителя снят." : "Пароль учителя сохранён.", kJournalTitle);
}

void JournalWindow::OnPasswordClick() { ChangePassword(); }

// One learner's help: the learner selected, the question answered, the teacher's password;
// then the class as the files hold it, whether the change was made or not.
template <class Fn>
void JournalWindow::Act(const char* what, const std::string& question, Fn action) {
    const std::vector<int> selected = Selected();
    if (selected.size() != 1) {
        ui_.ShowMessageBox("Выберите в списке одного ученика.", kJournalTitle);
        return;
    }
    const std::string name = journal_.learners[size_t(selected[0])].name;
    if (!ui_.ConfirmChange(WithName(question, name), what) || !TeacherAllows()) return;
    try {
        action(name);
    } catch (const TastoraError& e) {
        ui_.ShowError(e.what());
    }
    Reload();
}

void JournalWindow::OnClearPasswordClick() {
    Act("Сбросить пароль", "Сбросить пароль ученика «%s»? Он войдёт в программу с пустым паролем.",
        [this](const std::string& name) { ClearPassword(folder_, name); });
}

void JournalWindow::OnMoveClick() {
    const std::string picked = ui_.Text(lesson_);
    const int lesson = picked.compare(0, sizeof kLessonPrefix - 1, kLessonPrefix) == 0
                           ? std::atoi(picked.c_str() + sizeof kLessonPrefix - 1)
                           : 0;
    if (lesson < 1 || lesson > kCourseLessons) return;
    const char separator = ui_.DecimalSeparator();
    Act("Перевести на урок",
        "Перевести ученика «%s» на начало урока " + std::to_string(lesson) + "? Он начнёт с упражнения урока.",
        [this, lesson, separator](const std::string& name) { MoveToLesson(folder_, name, lesson, separator); });
}

void JournalWindow::OnResetClick() {
    Act("Обнулить ошибки", "Обнулить счётчики ошибок ученика «%s»? Карта ошибок станет пустой.",
        [this](const std::string& name) { ResetCounters(folder_, name); });
}

void JournalWindow::OnDeleteClick() {
    const std::vector<int> selected = Selected();
    if (selected.empty()) {
        ui_.ShowMessageBox("Выберите в списке учеников, которых нужно удалить.", kJournalTitle);
        return;
    }
    std::vector<std::string> names;
    std::string list;
    for (int i : selected) {
        names.push_back(journal_.learners[size_t(i)].name);
        if (names.size() <= 10) list += "\n" + names.back();
    }
    if (names.size() > 10) list += "\n…";
    const std::string text = "Удалить " + std::to_string(names.size()) + " " +
                             Plural(names.size(), "ученика", "учеников", "учеников") +
                             " вместе с их результатами? Это нельзя отменить." + list;
    if (!ui_.ConfirmChange(text, "Удаление учеников") || !TeacherAllows()) return;
    try {
        DeleteLearners(folder_, names);
    } catch (const TastoraError& e) {
        ui_.ShowError(e.what());
    }
    Reload();
}

}  // namespace tastora
