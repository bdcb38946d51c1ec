// The review exercise: drill lines of the learner's ten most mistyped keys against their
// home keys, random lines of those keys, written as an ordinary lesson file.
#include <algorithm>
#include <array>
#include <chrono>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/tastora.h"
#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/text.h"
#include "exercise/keys.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"
#include "results/home_table.h"
#include "results/results.h"
#include "session/review_name.h"
#include "users/user_store.h"

namespace tastora {

namespace {

constexpr int kLines = 15;
constexpr int kLineLength = 89;
constexpr int kTopCount = 10;
constexpr int kRankedKeys = 56;    // the keys whose counters are ranked
constexpr int kCharacterLines = 49;

const char kDrillPattern[] =
    "xixix xixix xixix xiixi xiixi xiixi xxiix xxiix xxiix xxixi xxixi xxixi ixxii ixxii ixxii";
const char kRandomPattern[] =
    "xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx xxxxx";
static_assert(sizeof kDrillPattern == kLineLength + 1, "drill pattern");
static_assert(sizeof kRandomPattern == kLineLength + 1, "random pattern");

const char kTitleLine[] = "Повторения";
const char kInstructionLine[] =
    "УКАЗАНИЯ: Расположите пальцы рук на клавиатуре в соответствующей позиции (см. в подразделе "
    "помощь). Расслабьте плечи и предплечья. Старайтесь сохранять данную позицию на протяжении "
    "всего процесса обучения, поскольку это очень важно.";

const char kNoLetterTable[] =
    "Не удалось прочитать таблицу букв data\\litere.txt, поэтому упражнение для повторения не "
    "составлено. Обучение продолжится без него.";
const char kLettersMissing[] =
    "В таблице букв data\\litere.txt нет символов, нужных для упражнения для повторения, поэтому "
    "оно не составлено. Обучение продолжится без него.";
const char kNoHomeTable[] =
    "Не удалось прочитать таблицу опорных клавиш data\\home.txt. В упражнении для повторения не "
    "будет строк с опорными клавишами.";
const char kHomeTableDamaged[] =
    "Таблица опорных клавиш data\\home.txt неполна или повреждена. Упражнение для повторения "
    "составлено по её верным строкам.";

// --- the letter table --------------------------------------------------------------------------

// The letter table as the review reads it: every key by its first line. A malformed line
// stops a lookup that reaches it before the key's line: the table is then reported broken.
class ReviewLetters {
public:
    bool Load() {
        if (!table_.Load(kLetterTablePath) || table_.Lines().empty()) return false;
        const auto& lines = table_.Lines();
        for (size_t i = 0; i < lines.size(); ++i) {
            const int key = lines[i].key;
            if (key == 0) {  // malformed: no lookup reads past it
                malformed_ = true;
                break;
            }
            if (key < int(first_.size()) && first_[size_t(key)].line == 0)
                first_[size_t(key)] = Entry{int(i) + 1, lines[i].ch};
        }
        return true;
    }

    // The character of a key when its first line is among the first 49, else 0 (the key
    // has no character to type). Raises ConvertError when the lookup meets a malformed line.
    char16_t CharacterOf(int key) const {
        if (key > 0 && key < int(first_.size()) && first_[size_t(key)].line > 0) {
            const Entry& e = first_[size_t(key)];
            return e.line <= kCharacterLines ? e.character : 0;
        }
        if (malformed_) {
            const auto& problems = table_.Problems();
            throw ConvertError("Таблица букв data\\litere.txt повреждена: " +
                               (problems.empty() ? std::string("неверная строка") : problems.front()) +
                               ".");
        }
        return 0;
    }

    // Whether a review can be made at all: the table has the space and some key to drill
    // (or holds a malformed line, which the lookups then report).
    bool Usable() const {
        if (malformed_) return true;
        if (CharacterOf(kSpaceKey) == 0) return false;
        for (int key = 1; key <= kRankedKeys; ++key)
            if (CharacterOf(key) != 0) return true;
        return false;
    }

private:
    struct Entry {
        int line = 0;
        char16_t character = 0;
    };
    LetterTable table_;
    std::array<Entry, kKeyCount + 1> first_{};
    bool malformed_ = false;
};

// --- the file ---------------------------------------------------------------------------------

void PutUnit(std::string& out, char16_t u) {
    out += char(u & 0xFF);
    out += char(u >> 8);
}

void PutLine(std::string& out, const std::u16string& line) {
    for (char16_t u : line) PutUnit(out, u);
    PutUnit(out, u'\r');
    PutUnit(out, u'\n');
}

uint64_t ClockSeed() {
    static uint64_t counter = 0;
    const uint64_t now =
        uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    return now ^ (++counter * 0x9E3779B97F4A7C15ull);
}

// The keys taught up to the review: those that the lesson's test (which the review follows)
// has typed unshifted, or else those of the exercise last started. The most recently
// taught come first (the newest letter set, then the earlier ones), in key order. Empty
// when neither says.
std::vector<int> TaughtKeysInOrder(Tastora& app) {
    KeySet taught;
    const int lesson = int(app.login.CurrentLevel);
    LessonFileReader test;
    std::u16string line;
    if (lesson >= 1 && test.Open("data\\text\\T" + std::to_string(lesson) + ".txt")) {
        for (int n = 1; n <= 3 && test.ReadLine(line) == LessonFileReader::kLine; ++n) {
            int32_t set = 0;
            if (n == 3 && ParseInt(Utf16ToUtf8(line), set) && set >= 1 && set <= 6)
                taught = LetterSet(set == 6 ? 5 : set);
        }
    }
    if (taught.none()) taught = app.exercise.PlainKeys;
    std::vector<int> keys;
    for (int set = 5; set >= 1; --set) {
        const KeySet fresh = LetterSet(set) & ~LetterSet(set - 1);
        for (int key = 1; key <= kRankedKeys; ++key)
            if (taught.test(size_t(key)) && fresh.test(size_t(key))) keys.push_back(key);
    }
    return keys;
}

}  // namespace

bool ResultsWindow::GenerateReviewText() {
    UiPort& ui = app_.ui;
    const std::string& user = app_.login.CurrentUserName;

    // 1. The home table.
    HomeTable home{};
    const HomeTableState homeState = ReadHomeTable(home);

    // Without the letter table no review can be typed: the learner goes on without one and
    // the error counters are kept for the next review.
    ReviewLetters letters;
    if (!letters.Load()) {
        ui.ShowMessage(kNoLetterTable);
        return false;
    }
    if (!letters.Usable()) {
        ui.ShowMessage(kLettersMissing);
        return false;
    }

    // 2. The counters: read, and reset to 0 (a counter that is missing or already 0 needs no
    // write). Only the unshifted counts are ranked.
    std::array<int, kRankedKeys + 1> count{};
    {
        const DataLock lock;  // the counters read and reset in one go
        IniFile users(kUsersIni);
        std::set<std::string> present;
        for (std::string name : users.ReadSection(user)) {
            for (char& c : name)
                if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
            present.insert(name);
        }
        std::vector<std::pair<std::string, std::string>> resets;
        for (int n = 1; n <= kRankedKeys; ++n)
            for (const std::string& key : {std::to_string(n), std::to_string(n) + "u"}) {
                if (!present.count(key)) continue;
                const std::string raw = users.ReadString(user, key, "");
                int32_t v = 0;
                if (key.back() != 'u' && ParseInt(raw, v)) count[size_t(n)] = v;
                if (!raw.empty() && raw != "0") resets.emplace_back(key, "0");
            }
        users.WriteStrings(user, resets);  // one write for all of them
    }

    // 3. Ranking: exchange sort, most errors first; equal counts are never swapped directly.
    std::array<int, kRankedKeys + 1> rankKey{}, rankCount{};
    for (int n = 1; n <= kRankedKeys; ++n) {
        rankKey[size_t(n)] = n;
        rankCount[size_t(n)] = count[size_t(n)];
    }
    for (int i = 1; i < kRankedKeys; ++i)
        for (int j = i + 1; j <= kRankedKeys; ++j)
            if (rankCount[size_t(i)] < rankCount[size_t(j)]) {
                std::swap(rankKey[size_t(i)], rankKey[size_t(j)]);
                std::swap(rankCount[size_t(i)], rankCount[size_t(j)]);
            }

    // The top keys: the keys with errors, in rank order, then (when fewer than ten keys have
    // errors) keys the learner has already been taught, so that the review never drills a
    // key of a later lesson. A key that has no character in the letter table cannot be typed
    // and gives its place to the next one (never with the course's own table).
    std::vector<int> top;
    auto take = [&](int key) {
        if (int(top.size()) < kTopCount && letters.CharacterOf(key) != 0 &&
            std::find(top.begin(), top.end(), key) == top.end())
            top.push_back(key);
    };
    for (int i = 1; i <= kRankedKeys; ++i)
        if (rankCount[size_t(i)] > 0) take(rankKey[size_t(i)]);
    const std::vector<int> taught = TaughtKeysInOrder(app_);
    for (int key : taught) take(key);
    // Without a lesson to say what has been taught: the rest of the ranking.
    if (taught.empty())
        for (int i = 1; i <= kRankedKeys; ++i) take(rankKey[size_t(i)]);
    const char16_t space = letters.CharacterOf(kSpaceKey);
    if (top.empty() || space == 0) {
        ui.ShowMessage(kLettersMissing);
        return false;
    }

    // 4. Drill lines for the top keys that have a home key (with a character), in rank order.
    std::array<std::u16string, kLines> text;
    int line = 0;
    for (int key : top) {
        const int homeKey = home[size_t(key)];
        if (homeKey == 0) continue;
        const char16_t homeChar = letters.CharacterOf(homeKey);
        if (homeChar == 0) continue;
        const char16_t keyChar = letters.CharacterOf(key);
        std::u16string& out = text[size_t(line++)];
        for (const char* p = kDrillPattern; *p; ++p)
            out += *p == 'x' ? homeChar : *p == 'i' ? keyChar : space;
    }

    // 5. Random lines of the top keys, the generator seeded anew for every line; a number
    // is drawn for every position, blanks included.
    std::vector<char16_t> topChars;
    for (int key : top) topChars.push_back(letters.CharacterOf(key));
    for (; line < kLines; ++line) {
        std::mt19937_64 random(ReviewSeed ? ReviewSeed() : ClockSeed());
        std::uniform_int_distribution<size_t> rank(0, topChars.size() - 1);
        std::u16string& out = text[size_t(line)];
        for (const char* p = kRandomPattern; *p; ++p) {
            const size_t r = rank(random);
            out += *p == 'x' ? topChars[r] : space;
        }
    }

    // 6, 7. The characters are in place: the lesson file, written whole or not at all.
    std::string bytes;
    PutUnit(bytes, 0xFEFF);
    PutLine(bytes, Utf8ToUtf16(kTitleLine));
    PutLine(bytes, Utf8ToUtf16(kInstructionLine));
    PutLine(bytes, u"6");
    PutLine(bytes, u"15");
    PutLine(bytes, u"TEXT");
    for (const auto& l : text) PutLine(bytes, l);
    PutLine(bytes, u"ENDEX");
    const std::string path = ReviewFilePath(user);
    bool written = false;
    {
        const DataLock lock;
        written = WriteFileReplacing(path, bytes);
    }
    if (!written) {
        ui.ShowMessage("Не удалось записать упражнение для повторения в файл " + path +
                       ". Обучение продолжится без него.");
        return false;
    }

    if (homeState == HomeTableState::Missing) ui.ShowMessage(kNoHomeTable);
    else if (homeState == HomeTableState::Damaged) ui.ShowMessage(kHomeTableDamaged);
    return true;
}

}  // namespace tastora
