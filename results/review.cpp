// The review exercise: drill lines of the learner's ten most mistyped keys against their
// home keys, random lines of those keys, written as an ordinary lesson file.
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "core/data_lock.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/text.h"
#include "exercise/keys.h"
#include "exercise/lesson_file.h"
#include "exercise/letter_table.h"
#include "results/home_table.h"
#include "results/results.h"
#include "session/review_name.h"
#include "users/profile_store.h"

namespace tastora {

namespace {

constexpr int kLines = 15;
constexpr int kLineLength = 89;
constexpr int kTopCount = 10;
constexpr int kRankedKeys = 56;  // the keys whose counters are ranked
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
                               (problems.empty() ? std::string("неверная строка") : problems.front()) + ".");
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
    const uint64_t now = uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    return now ^ (++counter * 0x9E3779B97F4A7C15ull);
}

// The letter set (1..6) on line 3 of a lesson file; 0 when the file or the line says none.
int LetterSetOfLesson(const std::string& path) {
    LessonFileReader file;
    std::u16string line;
    if (!file.Open(path)) return 0;
    for (int n = 1; n <= 3; ++n)
        if (file.ReadLine(line) != LessonFileReader::kLine) return 0;
    int32_t set = 0;
    if (!ParseInt(Utf16ToUtf8(line), set) || set < 1 || set > 6) return 0;
    return set;
}

// The keys taught up to the review of a lesson: those that the lesson's test (which the
// review follows) types unshifted, or else those of the lesson's exercise. The most
// recently taught come first (the newest letter set, then the earlier ones), in key order.
// Empty when neither file says.
std::vector<int> TaughtKeysInOrder(double level) {
    const int lesson = int(level);
    if (lesson < 1) return {};
    const std::string n = std::to_string(lesson);
    int set = LetterSetOfLesson("data\\text\\T" + n + ".txt");
    if (set == 0) set = LetterSetOfLesson("data\\text\\L" + n + ".txt");
    const KeySet taught = PlainKeysOf(set);
    std::vector<int> keys;
    for (int s = 5; s >= 1; --s) {
        const KeySet fresh = LetterSet(s) & ~LetterSet(s - 1);
        for (int key = 1; key <= kRankedKeys; ++key)
            if (taught.test(size_t(key)) && fresh.test(size_t(key))) keys.push_back(key);
    }
    return keys;
}

// The profile's per-key error counters (unshifted only: the ones that are ranked), reset to
// 0 in the same go.
std::array<int, kRankedKeys + 1> TakeErrorCounters(const std::string& user) {
    const std::vector<int> taken = ProfileStore().TakeErrorCounters(user, kRankedKeys);
    std::array<int, kRankedKeys + 1> count{};
    std::copy(taken.begin(), taken.end(), count.begin());
    return count;
}

// The ten keys to drill: the keys with errors, most errors first (an exchange sort, in which
// equal counts are never swapped directly), then (when fewer than ten keys have errors) keys
// the learner has already been taught, so that the review never drills a key of a later
// lesson; without a lesson to say what has been taught, the rest of the ranking. A key that
// has no character in the letter table cannot be typed and gives its place to the next one
// (never with the course's own table).
std::vector<int> TopKeys(const std::array<int, kRankedKeys + 1>& count, const ReviewLetters& letters, double level) {
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

    std::vector<int> top;
    auto take = [&](int key) {
        if (int(top.size()) < kTopCount && letters.CharacterOf(key) != 0 &&
            std::find(top.begin(), top.end(), key) == top.end())
            top.push_back(key);
    };
    for (int i = 1; i <= kRankedKeys; ++i)
        if (rankCount[size_t(i)] > 0) take(rankKey[size_t(i)]);
    const std::vector<int> taught = TaughtKeysInOrder(level);
    for (int key : taught) take(key);
    if (taught.empty())
        for (int i = 1; i <= kRankedKeys; ++i) take(rankKey[size_t(i)]);
    return top;
}

using ReviewText = std::array<std::u16string, kLines>;

// Drill lines for the top keys that have a home key (with a character), in rank order; the
// number of lines written.
int WriteDrillLines(ReviewText& text, const std::vector<int>& top, const HomeTable& home,
                    const ReviewLetters& letters) {
    const char16_t space = letters.CharacterOf(kSpaceKey);
    int line = 0;
    for (int key : top) {
        const int homeKey = home[size_t(key)];
        if (homeKey == 0) continue;
        const char16_t homeChar = letters.CharacterOf(homeKey);
        if (homeChar == 0) continue;
        const char16_t keyChar = letters.CharacterOf(key);
        std::u16string& out = text[size_t(line++)];
        for (const char* p = kDrillPattern; *p; ++p) out += *p == 'x' ? homeChar : *p == 'i' ? keyChar : space;
    }
    return line;
}

// Random lines of the top keys from line `from` on, the generator seeded anew for every
// line; a number is drawn for every position, blanks included.
void WriteRandomLines(ReviewText& text, int from, const std::vector<int>& top, const ReviewLetters& letters,
                      const std::function<uint64_t()>& seed) {
    const char16_t space = letters.CharacterOf(kSpaceKey);
    std::vector<char16_t> topChars;
    for (int key : top) topChars.push_back(letters.CharacterOf(key));
    for (int line = from; line < kLines; ++line) {
        std::mt19937_64 random(seed ? seed() : ClockSeed());
        std::uniform_int_distribution<size_t> rank(0, topChars.size() - 1);
        std::u16string& out = text[size_t(line)];
        for (const char* p = kRandomPattern; *p; ++p) {
            const size_t r = rank(random);
            out += *p == 'x' ? topChars[r] : space;
        }
    }
}

// The review as a lesson file: title, instructions, letter set 6, 15 lines, the text.
std::string ReviewFileBytes(const ReviewText& text) {
    std::string bytes;
    PutUnit(bytes, 0xFEFF);
    PutLine(bytes, Utf8ToUtf16(kTitleLine));
    PutLine(bytes, Utf8ToUtf16(kInstructionLine));
    PutLine(bytes, u"6");
    PutLine(bytes, u"15");
    PutLine(bytes, u"TEXT");
    for (const auto& l : text) PutLine(bytes, l);
    PutLine(bytes, u"ENDEX");
    return bytes;
}

}  // namespace

bool ResultsWindow::GenerateReviewText() {
    const std::string& user = session_.userName;

    // The home table: without it (or where it is damaged) there are fewer drill lines.
    HomeTable home{};
    const HomeTableState homeState = ReadHomeTable(home);

    // Without the letter table no review can be typed: the learner goes on without one and
    // the error counters are kept for the next review.
    ReviewLetters letters;
    if (!letters.Load()) {
        ui_.ShowMessage(kNoLetterTable);
        return false;
    }
    if (!letters.Usable()) {
        ui_.ShowMessage(kLettersMissing);
        return false;
    }

    // The keys to drill, from the counters (which start again from 0).
    const std::vector<int> top = TopKeys(TakeErrorCounters(user), letters, session_.CurrentLevel);
    if (top.empty() || letters.CharacterOf(kSpaceKey) == 0) {
        ui_.ShowMessage(kLettersMissing);
        return false;
    }

    // The text: drill lines, then random lines.
    ReviewText text;
    const int drilled = WriteDrillLines(text, top, home, letters);
    WriteRandomLines(text, drilled, top, letters, ReviewSeed);

    // The lesson file, written whole or not at all.
    const std::string path = ReviewFilePath(user);
    bool written = false;
    {
        const DataLock lock;
        written = WriteFileReplacing(path, ReviewFileBytes(text));
    }
    if (!written) {
        ui_.ShowMessage("Не удалось записать упражнение для повторения в файл " + path +
                        ". Обучение продолжится без него.");
        return false;
    }

    if (homeState == HomeTableState::Missing)
        ui_.ShowMessage(kNoHomeTable);
    else if (homeState == HomeTableState::Damaged)
        ui_.ShowMessage(kHomeTableDamaged);
    return true;
}

}  // namespace tastora
