// The profile store, the password encoding and reals in the regional format.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/ini.h"
#include "core/regional.h"
#include "core/text.h"
#include "tests/support/test_files.h"
#include "users/base64.h"
#include "users/user_store.h"

namespace tastora {
namespace {

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

// tests/data/legacy/<name>, found beside this file.
std::string LegacyFile(const std::string& name) {
    std::string here = __FILE__;
    here.erase(here.rfind('/'));  // tests/unit
    here.erase(here.rfind('/'));  // tests
    return ReadTestFile(here + "/data/legacy/" + name);
}

// --- Base64

TEST(Base64, KnownVectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFF\xFE\xFD", "//79"},
        {"\xFB\xEF", "++8="},
    };
    for (const auto& v : vectors) {
        EXPECT_EQ(EncodeBase64(v.first), v.second);
        std::string back;
        ASSERT_TRUE(DecodeBase64(v.second, back)) << v.second;
        EXPECT_EQ(back, v.first);
    }
    // Windows-1251 bytes of a Cyrillic password.
    EXPECT_EQ(EncodeBase64(Cp("секрет")), "8eXq8OXy");
}

TEST(Base64, AgreesWithTheSystemToolOnRandomBytes) {
    TempDataDir dir;
    std::mt19937 rng(20240511);
    for (size_t len : {1u, 2u, 3u, 4u, 5u, 57u, 58u, 59u, 100u, 1000u}) {
        std::string bytes(len, '\0');
        for (char& c : bytes) c = char(rng() & 0xFF);
        WriteTestFile("random.bin", bytes);
        FILE* p = popen("base64 -w 0 random.bin", "r");
        ASSERT_NE(p, nullptr);
        std::string expected;
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) expected.append(buf, n);
        ASSERT_EQ(pclose(p), 0) << "the base64 tool is missing";
        EXPECT_EQ(EncodeBase64(bytes), expected) << len;
        std::string back;
        ASSERT_TRUE(DecodeBase64(expected, back));
        EXPECT_EQ(back, bytes);
    }
}

TEST(Base64, ALengthNotAMultipleOfFourRaisesTheDecoderError) {
    std::string bytes;
    for (const char* text : {"A", "QQ=", "Zm9vY", "Zm9vYmFy="}) {
        try {
            DecodeBase64(text, bytes);
            ADD_FAILURE() << text;
        } catch (const TastoraError& e) {
            EXPECT_STREQ(e.what(), "Uneven size in DecodeToStream.");
        }
    }
}

TEST(Base64, ForeignCharactersAndMisplacedFillMatchNothing) {
    std::string bytes = "old";
    EXPECT_FALSE(DecodeBase64("QQ-=", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(DecodeBase64("Q===", bytes));
    EXPECT_FALSE(DecodeBase64("QQ==QQ==", bytes));
    EXPECT_FALSE(DecodeBase64("=QQQ", bytes));
    EXPECT_FALSE(DecodeBase64("QQ=Q", bytes));
    EXPECT_FALSE(DecodeBase64("QQ\r\n", bytes));
}

// --- regional reals

TEST(RegionalReal, ShortestFormWithTheRegionalSeparator) {
    EXPECT_EQ(FormatReal(1.1, ','), "1,1");
    EXPECT_EQ(FormatReal(1.1, '.'), "1.1");
    EXPECT_EQ(FormatReal(17.1, ','), "17,1");
    EXPECT_EQ(FormatReal(16.3, '.'), "16.3");
    EXPECT_EQ(FormatReal(10, ','), "10");
    EXPECT_EQ(FormatReal(0, ','), "0");
    EXPECT_EQ(FormatReal(-3.5, ','), "-3,5");
    EXPECT_EQ(FormatReal(0.1 + 0.2, ','), "0,3");  // 15 significant digits
    EXPECT_EQ(FormatReal(2.1 + 0.1, ','), "2,2");
    EXPECT_EQ(FormatReal(1.0 / 3, ','), "0,333333333333333");
    EXPECT_EQ(FormatReal(123456789012345.0, ','), "123456789012345");
    EXPECT_EQ(FormatReal(0.00001, ','), "0,00001");
    EXPECT_EQ(FormatReal(1e15, ','), "1E15");
    EXPECT_EQ(FormatReal(1.5e-7, ','), "1,5E-7");
}

TEST(RegionalReal, ReadingFollowsTheSeparatorOfTheMoment) {
    double v = 0;
    EXPECT_TRUE(ParseReal("2,1", ',', v));
    EXPECT_DOUBLE_EQ(v, 2.1);
    EXPECT_TRUE(ParseReal(" -16.3 ", '.', v));
    EXPECT_DOUBLE_EQ(v, -16.3);
    EXPECT_TRUE(ParseReal("17", ',', v));
    EXPECT_DOUBLE_EQ(v, 17);
    EXPECT_TRUE(ParseReal("1,5E-7", ',', v));
    EXPECT_DOUBLE_EQ(v, 1.5e-7);
    v = 9;
    for (const char* bad :
         {"2.1", "", " ", ",", "-", "1,2,3", "1 2", "abc", "1E", "1E+", "0x10", "1E999", "INF", "NAN", "2,1x"})
        EXPECT_FALSE(ParseReal(bad, ',', v)) << bad;
    EXPECT_FALSE(ParseReal("2,1", '.', v));
    EXPECT_DOUBLE_EQ(v, 9);  // untouched on failure
}

TEST(RegionalReal, EveryFiniteRealReadsBackWithinFifteenDigits) {
    const double values[] = {std::numeric_limits<double>::max(),
                             std::nextafter(std::numeric_limits<double>::max(), 0.0),
                             9.99999999999999e307,
                             1.7976931348623150e308,
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             1e-310,
                             123456789012345678.0,
                             1.1,
                             17.1};
    for (const double magnitude : values)
        for (const double v : {magnitude, -magnitude})
            for (const char sep : {',', '.'}) {
                const std::string text = FormatReal(v, sep);
                double back = 0;
                ASSERT_TRUE(ParseReal(text, sep, back)) << text;
                // 15 significant digits; denormals hold fewer digits than that.
                const double tolerance = std::max(std::fabs(v) * 1e-14, std::numeric_limits<double>::denorm_min() * 4);
                EXPECT_NEAR(back, v, tolerance) << text;
            }
}

TEST(RegionalReal, EveryCourseLevelSurvivesTheRoundTrip) {
    for (char sep : {',', '.'})
        for (int lesson = 1; lesson <= 17; ++lesson)
            for (int kind = 1; kind <= 3; ++kind) {
                const double level = lesson + kind / 10.0;
                const std::string text = FormatReal(level, sep);
                EXPECT_EQ(text, std::to_string(lesson) + sep + std::to_string(kind));
                double back = 0;
                ASSERT_TRUE(ParseReal(text, sep, back));
                EXPECT_EQ(back, level);
            }
}

// --- the store

class StoreTest : public ::testing::Test {
protected:
    TempDataDir dir;
};

TEST_F(StoreTest, CreatingWritesNivelThenPassAndAppendsTheName) {
    EXPECT_TRUE(CreateProfile("Ivan", "abc", ','));
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "[Ivan]\r\nnivel=1,1\r\npass=YWJj\r\n");
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Ivan\r\n");
    EXPECT_TRUE(CreateProfile("Анна", "секрет", '.'));
    EXPECT_EQ(ReadTestFile("data\\users.ini"),
              Cp("[Ivan]\r\nnivel=1,1\r\npass=YWJj\r\n[Анна]\r\nnivel=1.1\r\npass=8eXq8OXy\r\n"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), Cp("Ivan\r\nАнна\r\n"));
    EXPECT_TRUE(ProfileExists("АННА"));
}

TEST_F(StoreTest, AnExistingProfileIsNotCreatedAgain) {
    ASSERT_TRUE(CreateProfile("Анна", "1", ','));
    const std::string ini = ReadTestFile("data\\users.ini");
    EXPECT_FALSE(CreateProfile("анна", "2", ','));
    EXPECT_EQ(ReadTestFile("data\\users.ini"), ini);
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), Cp("Анна\r\n"));
}

TEST_F(StoreTest, AProfileNeedsASectionWithAKey) {
    WriteTestFile("data\\users.ini", "[Empty]\r\n[Petr]\r\ndoi=1\r\n");
    EXPECT_FALSE(ProfileExists("Empty"));
    EXPECT_TRUE(ProfileExists("petr"));
    EXPECT_FALSE(ProfileExists("Nobody"));
}

TEST_F(StoreTest, EmptyPasswordIsStoredEmptyAndOnlyMatchesEmpty) {
    ASSERT_TRUE(CreateProfile("Ivan", "", ','));
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "[Ivan]\r\nnivel=1,1\r\npass=\r\n");
    EXPECT_TRUE(CheckPassword("Ivan", ""));
    EXPECT_FALSE(CheckPassword("Ivan", " "));
    EXPECT_FALSE(CheckPassword("Ivan", "a"));
}

TEST_F(StoreTest, PasswordCheckIsExact) {
    ASSERT_TRUE(CreateProfile("Ivan", " Пароль ", ','));
    EXPECT_TRUE(CheckPassword("ivan", " Пароль "));
    EXPECT_FALSE(CheckPassword("Ivan", " пароль "));
    EXPECT_FALSE(CheckPassword("Ivan", "Пароль"));
    // A missing pass key reads as the empty password.
    WriteTestFile("data\\users.ini", "[Petr]\r\nnivel=2,1\r\n");
    EXPECT_TRUE(CheckPassword("Petr", ""));
}

TEST_F(StoreTest, PasswordCharactersOutsideTheCodePageBecomeQuestionMarks) {
    ASSERT_TRUE(CreateProfile("Ivan", "a☺b", ','));
    EXPECT_EQ(IniFile("data\\users.ini").ReadString("Ivan", "pass", ""), EncodeBase64("a?b"));
    EXPECT_TRUE(CheckPassword("Ivan", "a☺b"));
}

TEST_F(StoreTest, StoredPassOfUnevenLengthRaises) {
    WriteTestFile("data\\users.ini", "[Ivan]\r\nnivel=2,1\r\npass=YWJ\r\n");
    try {
        CheckPassword("Ivan", "ab");
        ADD_FAILURE() << "no error";
    } catch (const TastoraError& e) {
        EXPECT_STREQ(e.what(), "Uneven size in DecodeToStream.");
    }
}

TEST_F(StoreTest, LevelFollowsTheRegionalSeparator) {
    WriteTestFile("data\\users.ini", "[A]\r\nnivel=2,1\r\n[B]\r\nnivel=16.3\r\n[C]\r\nnivel=x\r\n[D]\r\npass=\r\n");
    EXPECT_DOUBLE_EQ(ReadLevel("A", ','), 2.1);
    EXPECT_DOUBLE_EQ(ReadLevel("A", '.'), 1.1);
    EXPECT_DOUBLE_EQ(ReadLevel("B", '.'), 16.3);
    EXPECT_DOUBLE_EQ(ReadLevel("B", ','), 1.1);
    EXPECT_DOUBLE_EQ(ReadLevel("C", ','), 1.1);
    EXPECT_DOUBLE_EQ(ReadLevel("D", ','), 1.1);
    EXPECT_DOUBLE_EQ(ReadLevel("Nobody", ','), 1.1);
}

TEST_F(StoreTest, DeletionRemovesOnlyTheFirstExactLine) {
    ASSERT_TRUE(CreateProfile("Ivan", "", ','));
    ASSERT_TRUE(CreateProfile("Petr", "", ','));
    WriteTestFile("data\\lista.txt", "Ivan\r\nPetr\r\nIvan\r\n");
    DeleteProfile("Ivan");
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Petr\r\nIvan\r\n");
    EXPECT_EQ(ReadTestFile("data\\users.ini"), "[Petr]\r\nnivel=1,1\r\npass=\r\n");
}

TEST_F(StoreTest, DeletionDropsBlankLines) {
    WriteTestFile("data\\lista.txt", "\r\nAnna\r\n\r\nIvan\r\nPetr\r\n\r\n");
    DeleteProfile("Ivan");
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Anna\r\nPetr\r\n");
}

TEST_F(StoreTest, DeletionIgnoresCaseInTheIniButNotInTheList) {
    ASSERT_TRUE(CreateProfile("Anna", "", ','));
    DeleteProfile("anna");
    EXPECT_FALSE(ProfileExists("Anna"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Anna\r\n");
}

TEST_F(StoreTest, DeletionKeepsNamesBeyondTheHundredth) {
    std::string list;
    for (int i = 1; i <= 150; ++i) list += "User" + std::to_string(i) + "\r\n";
    WriteTestFile("data\\lista.txt", list);
    DeleteProfile("User120");
    std::string expected;
    for (int i = 1; i <= 150; ++i)
        if (i != 120) expected += "User" + std::to_string(i) + "\r\n";
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), expected);
}

TEST_F(StoreTest, DeletionWhenUsersIniCannotBeWrittenKeepsTheProfileWhole) {
    ASSERT_TRUE(CreateProfile("Ivan", "", ','));
    ASSERT_EQ(chmod("data/users.ini", 0444), 0);
    EXPECT_THROW(DeleteProfile("Ivan"), TastoraError);
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Ivan\r\n");
    EXPECT_TRUE(ProfileExists("Ivan"));
}

TEST_F(StoreTest, DeletionWithoutAListFileCreatesNone) {
    ASSERT_TRUE(CreateProfile("Ivan", "", ','));
    std::remove("data/lista.txt");
    DeleteProfile("Ivan");
    EXPECT_FALSE(TestFileExists("data\\lista.txt"));
    EXPECT_FALSE(ProfileExists("Ivan"));
}

TEST_F(StoreTest, ANameIsNeverJoinedToALastLineWithoutItsLineEnd) {
    WriteTestFile("data\\lista.txt", "Anna");
    ASSERT_TRUE(CreateProfile("Ivan", "", ','));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Anna\r\nIvan\r\n");
    EXPECT_EQ(LoadNames(true), (std::vector<std::string>{"Anna", "Ivan"}));
}

TEST_F(StoreTest, AnUnwritableListIsSkippedSilently) {
    WriteTestFile("data\\lista.txt", "Anna\r\n");
    ASSERT_EQ(chmod("data/lista.txt", 0444), 0);
    EXPECT_TRUE(CreateProfile("Ivan", "", ','));
    EXPECT_TRUE(ProfileExists("Ivan"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), "Anna\r\n");
}

TEST_F(StoreTest, AFailedIniWriteStopsTheCreationBeforeTheList) {
    WriteTestFile("data\\users.ini", "");
    ASSERT_EQ(chmod("data/users.ini", 0444), 0);
    try {
        CreateProfile("Ivan", "abc", ',');
        ADD_FAILURE() << "no error";
    } catch (const TastoraError& e) {
        EXPECT_STREQ(e.what(), "Unable to write to data\\users.ini");
    }
    EXPECT_FALSE(TestFileExists("data\\lista.txt"));
}

TEST_F(StoreTest, NamesLoadInFileOrder) {
    EXPECT_EQ(LoadNames(true), std::vector<std::string>{""});  // missing file
    EXPECT_TRUE(LoadNames(false).empty());
    WriteTestFile("data\\lista.txt", "");
    EXPECT_EQ(LoadNames(true), std::vector<std::string>{""});
    EXPECT_TRUE(LoadNames(false).empty());
    WriteTestFile("data\\lista.txt", Cp("Петр\r\nAnna\r\n\r\nЁлка\nlast"));
    EXPECT_EQ(LoadNames(true), (std::vector<std::string>{"Петр", "Anna", "", "Ёлка", "last"}));
}

struct RefusedName {
    const char* name;
    const char* message;
};

TEST_F(StoreTest, NamesTheStoreCannotHoldAreRefusedAndNothingIsWritten) {
    const std::string chars = "Имя пользователя не может содержать символы \\ / : * ? \" < > | [ ] = ;";
    const RefusedName refused[] = {
        {"", "Вы не указали имя пользователя"},
        {"   ", "Вы не указали имя пользователя"},
        {" Anna", "Имя пользователя не может начинаться или заканчиваться пробелом"},
        {"Anna ", "Имя пользователя не может начинаться или заканчиваться пробелом"},
        {"An\r\nna", "Имя пользователя не может содержать управляющие символы или переводы строки"},
        {"An\tna", "Имя пользователя не может содержать управляющие символы или переводы строки"},
        {"Anna☺",
         "Имя пользователя может содержать только русские и латинские буквы, цифры, "
         "пробелы и знаки препинания"},
        {"Anna.", "Имя пользователя не может заканчиваться точкой"},
        {"con", "Имя пользователя «con» зарезервировано системой, выберите другое имя"},
        {"LPT1", "Имя пользователя «LPT1» зарезервировано системой, выберите другое имя"},
        {"Nul.backup", "Имя пользователя «Nul» зарезервировано системой, выберите другое имя"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(ProfileNameProblem(r.name), r.message) << r.name;
        EXPECT_THROW(CreateProfile(r.name, "x", ','), TastoraError) << r.name;
    }
    for (const char* c : {"[", "]", "=", ";", "\\", "/", ":", "*", "?", "\"", "<", ">", "|"}) {
        const std::string name = std::string("An") + c + "na";
        EXPECT_EQ(ProfileNameProblem(name), chars) << name;
        EXPECT_THROW(CreateProfile(name, "x", ','), TastoraError);
    }
    const std::string longest(100, 'x');
    EXPECT_EQ(ProfileNameProblem(longest), "");
    EXPECT_EQ(ProfileNameProblem(longest + "x"), "Имя пользователя не может быть длиннее 100 символов");
    std::string longCyrillic;
    for (int i = 0; i < 100; ++i) longCyrillic += "ж";  // 100 characters, 200 UTF-8 bytes
    EXPECT_EQ(ProfileNameProblem(longCyrillic), "");

    EXPECT_FALSE(TestFileExists("data\\users.ini"));
    EXPECT_FALSE(TestFileExists("data\\lista.txt"));
}

TEST_F(StoreTest, OrdinaryNamesAreAccepted) {
    for (const char* name : {"Анна", "Иван Петров", "Ёжик-2", "a.b", "O'Brien", "Console", "COM10", "Мария (2 класс)"})
        EXPECT_EQ(ProfileNameProblem(name), "") << name;
}

// --- files of an older installation

class LegacyTest : public StoreTest {
protected:
    void SetUp() override {
        users = LegacyFile("users.ini");
        list = LegacyFile("lista.txt");
        ASSERT_FALSE(users.empty());
        ASSERT_FALSE(list.empty());
        WriteTestFile("data\\users.ini", users);
        WriteTestFile("data\\lista.txt", list);
    }
    std::string users, list;
};

TEST_F(LegacyTest, Windows1251NamesAndCrLfListAreRead) {
    EXPECT_EQ(LoadNames(true), (std::vector<std::string>{"Анна", "Иван Петров", "Ivan", "Ольга"}));
    EXPECT_TRUE(ProfileExists("анна"));
    EXPECT_TRUE(ProfileExists("ИВАН ПЕТРОВ"));
    EXPECT_TRUE(CheckPassword("Анна", "секрет"));
    EXPECT_FALSE(CheckPassword("Анна", "Секрет"));
    EXPECT_TRUE(CheckPassword("иван петров", "Ёжик"));
    EXPECT_TRUE(CheckPassword("Ivan", ""));
    EXPECT_TRUE(CheckPassword("Ольга", "Пароль1"));
}

TEST_F(LegacyTest, LevelsAndSpeedsWrittenUnderRussianSettings) {
    EXPECT_DOUBLE_EQ(ReadLevel("Анна", ','), 2.1);
    EXPECT_DOUBLE_EQ(ReadLevel("Иван Петров", ','), 17.1);
    EXPECT_DOUBLE_EQ(ReadLevel("Ольга", ','), 16.3);
    // Under English settings the comma does not convert: every profile reads 1.1.
    EXPECT_DOUBLE_EQ(ReadLevel("Анна", '.'), 1.1);
    IniFile ini("data\\users.ini");
    EXPECT_EQ(ini.ReadInteger("Ivan", "3,1", 0), 120);
    EXPECT_EQ(ini.ReadInteger("Ivan", "3.1", 0), 0);
    EXPECT_EQ(ini.ReadInteger("Анна", "12u", 0), 1);
}

TEST_F(LegacyTest, NewProfilesAndDeletionsKeepTheOldBytes) {
    ASSERT_TRUE(CreateProfile("Пётр", "п", ','));
    const std::string grown = ReadTestFile("data\\users.ini");
    EXPECT_EQ(grown, users + Cp("[Пётр]\r\nnivel=1,1\r\npass=7w==\r\n"));
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), list + Cp("Пётр\r\n"));

    DeleteProfile("Ivan");
    EXPECT_EQ(ReadTestFile("data\\lista.txt"), Cp("Анна\r\nИван Петров\r\nОльга\r\nПётр\r\n"));
    std::string expected = grown;
    const size_t from = expected.find("[Ivan]");
    expected.erase(from, expected.find(Cp("[Ольга]")) - from);
    EXPECT_EQ(ReadTestFile("data\\users.ini"), expected);
}

}  // namespace
}  // namespace tastora
