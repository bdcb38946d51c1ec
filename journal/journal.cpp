#include "journal/journal.h"

#include <zlib.h>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "core/ini.h"
#include "core/regional.h"
#include "core/text.h"
#include "exercise/exercise.h"
#include "exercise/keys.h"
#include "exercise/letter_table.h"
#include "results/results.h"
#include "session/level.h"
#include "users/base64.h"
#include "users/profile_store.h"

namespace tastora {

namespace {

std::string ListPath(const std::string& folder) { return folder + "\\lista.txt"; }

std::string UpperKey(const std::string& utf8) { return UpperCp1251(Utf8ToCp1251(utf8)); }

// The lines of lista.txt (code-page bytes), CR LF or LF, the last one with or without its end.
std::vector<std::string> ListLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t lf = bytes.find('\n', pos);
        if (lf == std::string::npos) lf = bytes.size();
        std::string line = bytes.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pos = lf + 1;
    }
    return lines;
}

int CountValue(const std::string& value) {
    int32_t v = 0;
    return ParseInt(value, v) && v > 0 ? v : 0;
}

// Steps of the course before a level: exercise and test of every lesson, and the review
// exercise of lessons 4, 8, 12, 16.
int StepsBefore(int lesson, int kind) {
    int steps = 0;
    for (int n = 1; n < lesson; ++n) steps += IsReviewLesson(n) ? 3 : 2;
    return steps + kind - 1;
}
const int kCourseSteps = StepsBefore(kCourseLessons + 1, 1);

void ReadLevel(Learner& l, char sep) {
    double v = 0;
    if (l.levelText.empty()) {
        l.levelTenths = LevelTenths(kFirstLevel);
    } else if (ParseReal(l.levelText, sep, v) || ParseReal(l.levelText, sep == ',' ? '.' : ',', v)) {
        l.levelTenths = LevelTenths(v);
        if (std::fabs(v * 10 - double(l.levelTenths)) > 1e-6) l.levelInCourse = false;
    } else {
        l.levelInCourse = false;
    }
    const int lesson = int(l.levelTenths / 10), kind = int(l.levelTenths % 10);
    const bool done = l.levelTenths == (kCourseLessons + 1) * 10 + 1;
    if (!done && !(lesson >= 1 && lesson <= kCourseLessons &&
                   (kind == kKindExercise || kind == kKindTest || (kind == kKindReview && IsReviewLesson(lesson)))))
        l.levelInCourse = false;
    if (l.levelInCourse) {
        l.lessonsCompleted = done ? kCourseLessons : lesson - 1;
        l.progress = done ? 100 : StepsBefore(lesson, kind) * 100 / kCourseSteps;
    }
    l.standing = StandingText(l.levelTenths, l.levelInCourse, l.levelText);
}

// Fills the learner from its section's key lines (the first line of a name counts).
void ReadProfile(Learner& l, const IniFile::Section& section, char sep) {
    bool seenLevel = false, seenPass = false;
    std::array<bool, kCountedKeys + 1> seenPlain{}, seenShifted{};
    std::array<int, kSpeedPoints> point{}, comma{};
    std::array<bool, kSpeedPoints> seenPoint{}, seenComma{};
    for (const auto& kv : section.values) {
        l.hasProfile = true;
        const ProfileKey key = ClassifyProfileKey(kv.first);
        const size_t i = size_t(key.index);
        switch (key.kind) {
            case ProfileKey::Level:
                if (!seenLevel) l.levelText = kv.second;
                seenLevel = true;
                break;
            case ProfileKey::Password:
                if (!seenPass) l.hasPassword = !kv.second.empty();
                seenPass = true;
                break;
            case ProfileKey::Counter:
                if (!seenPlain[i]) l.errors[i] = CountValue(kv.second);
                seenPlain[i] = true;
                break;
            case ProfileKey::ShiftedCounter:
                if (!seenShifted[i]) l.shiftedErrors[i] = CountValue(kv.second);
                seenShifted[i] = true;
                break;
            case ProfileKey::Speed: {
                auto& seen = key.point ? seenPoint : seenComma;
                if (!seen[i]) (key.point ? point : comma)[i] = CountValue(kv.second);
                seen[i] = true;
                break;
            }
            case ProfileKey::Attempt:
            case ProfileKey::Other: break;
        }
    }
    // As the results window reads them: "N.d" first, "N,d" when that gives nothing.
    for (size_t i = 0; i < l.speeds.size(); ++i) {
        l.speeds[i] = point[i] != 0 ? point[i] : comma[i];
        if (l.speeds[i] > 0) l.lastSpeed = l.speeds[i];
        l.bestSpeed = std::max(l.bestSpeed, l.speeds[i]);
    }
    for (int n = 1; n <= kCountedKeys; ++n) l.errorTotal += l.errors[size_t(n)] + l.shiftedErrors[size_t(n)];
    ReadLevel(l, sep);
}

std::string LineNumbers(const std::vector<int>& lines) {
    std::string s;
    const size_t shown = std::min<size_t>(lines.size(), 20);
    for (size_t i = 0; i < shown; ++i) s += (i ? ", " : "") + std::to_string(lines[i]);
    if (lines.size() > shown) s += " и ещё " + std::to_string(lines.size() - shown);
    return s;
}

// "ошибка", "ошибки", "ошибок" after n.
std::string ErrorsWord(int n) {
    const int d = n % 10, h = n % 100;
    if (d == 1 && h != 11) return "ошибка";
    if (d >= 2 && d <= 4 && (h < 12 || h > 14)) return "ошибки";
    return "ошибок";
}

// The lock of the folder's lock file for the actions that follow.
void UseFolder(const std::string& folder) { DataLock::SetLockFile(folder + "\\tastora.lock"); }

// Under the lock: the learner's profile as the file is now.
void RequireProfile(ProfileStore& store, const std::string& name) {
    store.Refresh();
    if (!store.Exists(name))
        throw TastoraError("Ученика «" + name + "» больше нет в файле users.ini. Обновите список.");
}

Bitmap Picture(const std::string& path, bool jpeg) {
    try {
        return jpeg ? LoadOptionalJpeg(path) : (FileExists(path) ? LoadBmp(path) : Bitmap());
    } catch (const TastoraError&) {
        return Bitmap();  // a damaged picture of the course: drawn without it
    }
}

std::string HtmlText(const std::string& s) {
    std::string out;
    for (char c : s) switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    return out;
}

std::string LowerExtension(const std::string& file) {
    const size_t dot = file.rfind('.');
    const size_t slash = file.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string e = file.substr(dot);
    for (char& c : e)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return e;
}

}  // namespace

const char* const kColumnTitles[kColumnCount] = {
    "Ученик", "Где сейчас", "Пройдено уроков", "Последняя скорость", "Лучшая скорость", "Ошибок", "Прогресс"};

std::string StandingText(int64_t levelTenths, bool inCourse, const std::string& levelText) {
    if (!inCourse) return "Неверный уровень: " + levelText;
    if (levelTenths == (kCourseLessons + 1) * 10 + 1) return "Курс пройден";
    static const char* const kKinds[] = {"", "упражнение", "тест", "повторение"};
    return "Урок " + std::to_string(levelTenths / 10) + ", " + kKinds[levelTenths % 10];
}

ClassJournal ReadClass(const std::string& folder, char decimalSeparator) {
    ClassJournal j;
    j.folder = folder;
    const std::string usersFile = ProfileStore::FileIn(folder);
    const IniFile::Contents ini = ProfileStore(usersFile).ReadAll();
    if (!ini.exists)
        j.problems.push_back(FileExists(usersFile) ? "Файл users.ini не читается."
                                                   : "Файла users.ini нет: ученики ещё не занимались.");
    if (!ini.unreadableLines.empty())
        j.problems.push_back("users.ini повреждён, не прочитаны строки: " + LineNumbers(ini.unreadableLines) + ".");

    std::unordered_map<std::string, size_t> sections;  // upper-case name -> first section
    for (size_t i = 0; i < ini.sections.size(); ++i) sections.emplace(UpperKey(ini.sections[i].name), i);

    std::string list;
    if (!ReadWholeFile(ListPath(folder), list))
        j.problems.push_back(FileExists(ListPath(folder)) ? "Файл lista.txt не читается."
                                                          : "Файла lista.txt нет: показаны профили из users.ini.");
    std::unordered_map<std::string, bool> shown;
    auto add = [&](const std::string& name, bool listed) {
        Learner l;
        l.name = name;
        l.listed = listed;
        l.sortName = UpperKey(name);
        if (!shown.emplace(l.sortName, true).second) return;
        const auto it = sections.find(l.sortName);
        if (it != sections.end()) ReadProfile(l, ini.sections[it->second], decimalSeparator);
        if (!l.hasProfile) {
            if (!listed) return;
            l.standing = "Нет профиля в users.ini";
            l.levelInCourse = false;
        }
        j.learners.push_back(std::move(l));
    };
    for (const std::string& line : ListLines(list))
        if (!line.empty()) add(Cp1251ToUtf8(line), true);
    for (const auto& s : ini.sections) add(s.name, false);
    return j;
}

std::vector<int> VisibleRows(const ClassJournal& journal, const std::string& filter, Column column, bool ascending) {
    const std::string needle = UpperKey(filter);
    std::vector<int> rows;
    rows.reserve(journal.learners.size());
    for (size_t i = 0; i < journal.learners.size(); ++i)
        if (needle.empty() || journal.learners[i].sortName.find(needle) != std::string::npos) rows.push_back(int(i));
    const auto& ls = journal.learners;
    auto key = [&](const Learner& l) -> int64_t {
        switch (column) {
            case Column::Standing: return l.levelInCourse ? l.levelTenths : -1;
            case Column::Lessons: return l.lessonsCompleted;
            case Column::LastSpeed: return l.lastSpeed;
            case Column::BestSpeed: return l.bestSpeed;
            case Column::Errors: return l.errorTotal;
            case Column::Progress: return l.progress;
            case Column::Name: break;
        }
        return 0;
    };
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const Learner& x = ls[size_t(a)];
        const Learner& y = ls[size_t(b)];
        if (column == Column::Name) return ascending ? x.sortName < y.sortName : y.sortName < x.sortName;
        const int64_t kx = key(x), ky = key(y);
        return ascending ? kx < ky : ky < kx;
    });
    return rows;
}

std::string CellText(const Learner& l, Column column) {
    switch (column) {
        case Column::Name: return l.name;
        case Column::Standing: return l.standing;
        case Column::Lessons: return std::to_string(l.lessonsCompleted);
        case Column::LastSpeed: return l.lastSpeed ? std::to_string(l.lastSpeed) : "";
        case Column::BestSpeed: return l.bestSpeed ? std::to_string(l.bestSpeed) : "";
        case Column::Errors: return std::to_string(l.errorTotal);
        case Column::Progress: return std::to_string(l.progress) + "%";
    }
    return "";
}

std::array<int, kCountedKeys + 1> KeyErrors(const Learner& l) {
    std::array<int, kCountedKeys + 1> e{};
    for (int n = 1; n <= kCountedKeys; ++n) {
        const int64_t sum = int64_t(l.errors[size_t(n)]) + l.shiftedErrors[size_t(n)];
        e[size_t(n)] = int(std::min<int64_t>(sum, INT32_MAX));
    }
    return e;
}

std::vector<std::string> TopMissedKeys(const Learner& l, const std::string& courseFolder) {
    const auto errors = KeyErrors(l);
    std::vector<int> keys;
    for (int n = 1; n <= kCountedKeys; ++n)
        if (errors[size_t(n)] > 0) keys.push_back(n);
    std::stable_sort(keys.begin(), keys.end(), [&](int a, int b) { return errors[size_t(a)] > errors[size_t(b)]; });
    if (keys.size() > 5) keys.resize(5);
    LetterTable letters;
    letters.Load(courseFolder + "\\litere.txt");
    std::vector<std::string> words;
    for (int n : keys) {
        const char16_t ch = letters.CharOfKey(n);
        std::string what;
        if (ch == 0) {
            what = "клавиша " + std::to_string(n);
        } else if (ch == u' ') {
            what = "пробел";
        } else {
            const int cp = UnicodeToCp1251(ch);
            what = "«" + (cp >= 0 ? Cp1251ToUtf8(std::string(1, char(UpperCp1251(uint8_t(cp))))) : Utf16ToUtf8({ch})) +
                   "»";
        }
        const int count = errors[size_t(n)];
        words.push_back(what + " — " + std::to_string(count) + " " + ErrorsWord(count));
    }
    return words;
}

Bitmap SpeedGraphPicture(const Learner& l, const std::string& courseFolder) {
    Bitmap graph = Picture(courseFolder + "\\pictures\\graph.bmp", false);
    if (graph.Empty()) graph = Bitmap(kSpeedGraphWidth, kSpeedGraphHeight);
    // Row 147 is speed 0, one row per 2 characters per minute; the 3 x 3 mark of the highest
    // speed drawn still has its top row in the picture.
    const int top = 2 * (147 - 1);
    std::array<int, kGraphPoints> speeds{};
    for (size_t i = 0; i < speeds.size() && i < l.speeds.size(); ++i) speeds[i] = std::min(l.speeds[i], top);
    DrawSpeedPolyline(graph, speeds);
    return graph;
}

Rgb HeatColour(int count, int most) {
    if (count <= 0 || most <= 0) return kWhite;
    const double t = std::min(1.0, double(count) / double(most));
    auto mix = [&](int a, int b) { return int(std::lround(a + (b - a) * t)); };
    return MakeRgb(mix(255, 200), mix(236, 16), mix(140, 16));
}

Bitmap HeatMapPicture(const Learner& l, const std::string& courseFolder) {
    const std::string keyFolder = courseFolder + "\\pictures\\butoane\\";
    Bitmap keyboard = Picture(keyFolder + "k.jpg", true);
    if (keyboard.Empty()) keyboard = Bitmap(kKeyboardWidth, kKeyboardHeight, MakeRgb(212, 208, 200));
    Bitmap picture(keyboard.Width(), keyboard.Height() + kHeatLegendHeight);
    picture.Draw(keyboard, 0, 0);
    KeyPoint positions[kKeyCount + 1];
    FillKeyPositions(positions);
    const auto errors = KeyErrors(l);
    const int most = *std::max_element(errors.begin(), errors.end());
    for (int n = 1; n <= kKeyCount; ++n) {
        Bitmap face = Picture(keyFolder + std::to_string(n) + ".jpg", true);
        if (face.Empty()) continue;
        // Every key in grey, so that only the errors bring colour: a key without errors light,
        // one with errors in its heat colour, the letters staying dark.
        const int count = n <= kCountedKeys ? errors[size_t(n)] : 0;
        const Rgb heat = count > 0 ? HeatColour(count, most) : MakeRgb(250, 250, 250);
        for (int y = 0; y < face.Height(); ++y)
            for (int x = 0; x < face.Width(); ++x) {
                const Rgb p = face.At(x, y);
                const int grey = (int((p >> 16) & 255) * 30 + int((p >> 8) & 255) * 59 + int(p & 255) * 11) / 100;
                const int light = std::min(255, grey * 5 / 4);
                auto tint = [&](int shift) { return int((heat >> shift) & 255) * light / 255; };
                face.Set(x, y, MakeRgb(tint(16), tint(8), tint(0)));
            }
        picture.Draw(face, positions[n].x, positions[n].y);
    }
    // The legend: white for no error, then the scale up to the most missed key.
    const int y0 = keyboard.Height() + 4, h = kHeatLegendHeight - 8, left = 8, width = picture.Width() - 16;
    for (int x = 0; x < width; ++x) {
        const int count = most > 0 ? int(std::lround(double(x) * most / (width - 1))) : 0;
        const Rgb c = x < 24 ? kWhite : HeatColour(std::max(1, count), most);
        for (int y = 0; y < h; ++y) picture.Set(left + x, y0 + y, c);
    }
    for (int x = left - 1; x <= left + width; ++x) {
        picture.Plot(x, y0 - 1, kBlack);
        picture.Plot(x, y0 + h, kBlack);
    }
    for (int y = y0 - 1; y <= y0 + h; ++y) {
        picture.Plot(left - 1, y, kBlack);
        picture.Plot(left + width, y, kBlack);
    }
    return picture;
}

Bitmap Scaled(const Bitmap& src, int width, int height) {
    Bitmap out(std::max(width, 1), std::max(height, 1));
    if (src.Empty()) return out;
    for (int y = 0; y < out.Height(); ++y) {
        const int y0 = y * src.Height() / out.Height();
        const int y1 = std::max(y0 + 1, (y + 1) * src.Height() / out.Height());
        for (int x = 0; x < out.Width(); ++x) {
            const int x0 = x * src.Width() / out.Width();
            const int x1 = std::max(x0 + 1, (x + 1) * src.Width() / out.Width());
            uint32_t r = 0, g = 0, b = 0, n = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    const Rgb p = src.At(sx, sy);
                    r += (p >> 16) & 255;
                    g += (p >> 8) & 255;
                    b += p & 255;
                    ++n;
                }
            out.Set(x, y, MakeRgb(int(r / n), int(g / n), int(b / n)));
        }
    }
    return out;
}

Bitmap DetailPicture(const Learner& learner, const std::string& courseFolder) {
    const Bitmap graph = SpeedGraphPicture(learner, courseFolder);
    const Bitmap heat = HeatMapPicture(learner, courseFolder);
    const Bitmap small = Scaled(heat, heat.Width() * 2 / 3, heat.Height() * 2 / 3);
    Bitmap out(graph.Width() + 8 + small.Width(), std::max(graph.Height(), small.Height()), MakeRgb(240, 240, 240));
    out.Draw(graph, 0, 0);
    out.Draw(small, graph.Width() + 8, 0);
    return out;
}

void ClearPassword(const std::string& folder, const std::string& name) {
    UseFolder(folder);
    const DataLock lock;
    ProfileStore store(ProfileStore::FileIn(folder));
    RequireProfile(store, name);
    store.ClearPassword(name);
}

void MoveToLesson(const std::string& folder, const std::string& name, int lesson, char decimalSeparator) {
    if (lesson < 1 || lesson > kCourseLessons) throw TastoraError("Выберите урок от 1 до 16.");
    UseFolder(folder);
    const DataLock lock;
    ProfileStore store(ProfileStore::FileIn(folder));
    RequireProfile(store, name);
    store.MoveToLesson(name, lesson, decimalSeparator);
}

void ResetCounters(const std::string& folder, const std::string& name) {
    UseFolder(folder);
    const DataLock lock;
    ProfileStore store(ProfileStore::FileIn(folder));
    RequireProfile(store, name);
    store.ResetCounters(name);
}

void DeleteLearners(const std::string& folder, const std::vector<std::string>& names) {
    if (names.empty()) return;
    UseFolder(folder);
    const DataLock lock;
    std::string bytes;
    if (ReadWholeFile(ListPath(folder), bytes)) {
        std::vector<std::string> lines = ListLines(bytes);
        bool changed = false;
        for (const std::string& name : names) {
            const auto it = std::find(lines.begin(), lines.end(), Utf8ToCp1251(name));
            if (it != lines.end()) {
                it->clear();
                changed = true;
            }
        }
        if (changed) {
            std::string out;
            for (const std::string& line : lines)
                if (!line.empty()) out += line + "\r\n";
            if (!WriteFileReplacing(ListPath(folder), out))
                throw TastoraError("Не удалось записать файл " + ListPath(folder) + ".");
        }
    } else if (FileExists(ListPath(folder))) {
        throw TastoraError("Файл " + ListPath(folder) + " не читается: ученики не удалены.");
    }
    ProfileStore(ProfileStore::FileIn(folder)).Erase(names);
}

std::string CsvCell(const std::string& text) {
    const bool formula = !text.empty() && std::string("=+-@\t\r").find(text[0]) != std::string::npos;
    if (!formula && text.find_first_of(";\"\r\n") == std::string::npos) return text;
    std::string out = formula ? "\"'" : "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string ClassCsv(const ClassJournal& journal, const std::vector<int>& rows) {
    std::string out = "\xEF\xBB\xBF";
    out +=
        "Ученик;Где сейчас;Пройдено уроков;Последняя скорость, зн/мин;Лучшая скорость, зн/мин;Ошибок;Прогресс, %\r\n";
    for (int i : rows) {
        const Learner& l = journal.learners[size_t(i)];
        for (int c = 0; c < kColumnCount; ++c) {
            const Column column = Column(c);
            if (c) out += ';';
            out += CsvCell(column == Column::Progress ? std::to_string(l.progress) : CellText(l, column));
        }
        out += "\r\n";
    }
    return out;
}

std::string ClassHtml(const ClassJournal& journal, const std::vector<int>& rows, const std::string& courseFolder) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Tastora — журнал класса</title>\n"
        "<style>body{font-family:sans-serif}table{border-collapse:collapse}td,th{border:1px solid #888;"
        "padding:2px 6px}section{page-break-inside:avoid;margin-top:1em}img{max-width:100%}</style></head><body>\n"
        "<h1>Tastora — журнал класса</h1>\n<p>Папка данных: " +
        HtmlText(journal.folder) + "</p>\n";
    for (const std::string& p : journal.problems) out += "<p><b>" + HtmlText(p) + "</b></p>\n";
    out += "<table><tr>";
    for (const char* title : kColumnTitles) out += std::string("<th>") + title + "</th>";
    out += "</tr>\n";
    for (int i : rows) {
        out += "<tr>";
        for (int c = 0; c < kColumnCount; ++c)
            out += "<td>" + HtmlText(CellText(journal.learners[size_t(i)], Column(c))) + "</td>";
        out += "</tr>\n";
    }
    out += "</table>\n";
    for (int i : rows) {
        const Learner& l = journal.learners[size_t(i)];
        if (!l.hasProfile) continue;
        const auto errors = KeyErrors(l);
        const int most = *std::max_element(errors.begin(), errors.end());
        out += "<section><h2>" + HtmlText(l.name) + "</h2><p>" + HtmlText(l.standing) + "</p>\n";
        out += "<p>Скорость по курсу, зн/мин:<br><img alt=\"Скорость\" src=\"data:image/png;base64," +
               EncodeBase64(EncodePng(SpeedGraphPicture(l, courseFolder))) + "\"></p>\n";
        out += "<p>Ошибки по клавишам (белый — 0, красный — " + std::to_string(most) +
               "):<br><img alt=\"Ошибки по клавишам\" src=\"data:image/png;base64," +
               EncodeBase64(EncodePng(HeatMapPicture(l, courseFolder))) + "\"></p>\n";
        const auto top = TopMissedKeys(l, courseFolder);
        if (!top.empty()) {
            out += "<p>Чаще всего ошибки: ";
            for (size_t k = 0; k < top.size(); ++k) out += (k ? "; " : "") + HtmlText(top[k]);
            out += ".</p>\n";
        }
        out += "</section>\n";
    }
    return out + "</body></html>\n";
}

void ExportClass(const ClassJournal& journal, const std::string& file, const std::string& courseFolder) {
    const std::string ext = LowerExtension(file);
    const std::vector<int> rows = VisibleRows(journal, "", Column::Name, true);
    std::string bytes;
    if (ext == ".csv")
        bytes = ClassCsv(journal, rows);
    else if (ext == ".html" || ext == ".htm")
        bytes = ClassHtml(journal, rows, courseFolder);
    else
        throw TastoraError("Укажите файл с расширением .csv или .html: " + file);
    if (!WriteFileReplacing(file, bytes)) throw TastoraError("Не удалось записать файл " + file + ".");
}

std::string EncodePng(const Bitmap& bitmap) {
    auto be32 = [](std::string& s, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) s += char((v >> shift) & 255);
    };
    std::string out = "\x89PNG\r\n\x1A\n";
    auto chunk = [&](const char* type, const std::string& data) {
        be32(out, uint32_t(data.size()));
        const std::string body = std::string(type, 4) + data;
        out += body;
        be32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    };
    std::string header;
    be32(header, uint32_t(bitmap.Width()));
    be32(header, uint32_t(bitmap.Height()));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    chunk("IHDR", header);
    std::string raw;
    raw.reserve(size_t(bitmap.Height()) * (size_t(bitmap.Width()) * 3 + 1));
    for (int y = 0; y < bitmap.Height(); ++y) {
        raw += '\0';
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Rgb p = bitmap.At(x, y);
            raw += char((p >> 16) & 255);
            raw += char((p >> 8) & 255);
            raw += char(p & 255);
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 9);
    packed.resize(size);
    chunk("IDAT", packed);
    chunk("IEND", "");
    return out;
}

}  // namespace tastora
