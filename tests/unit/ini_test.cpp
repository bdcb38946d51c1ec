// The INI layer: profile-file semantics on Windows-1251 files with CR LF.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/files.h"
#include "core/ini.h"
#include "core/text.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

const char kIni[] = "data\\users.ini";

std::string Cp(const std::string& utf8) { return Utf8ToCp1251(utf8); }

// The files of the data folder (a temporary file left behind would show here), but for the
// lock file that writes leave in place.
std::vector<std::string> DataFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("data"))
        if (e.is_regular_file() && e.path().filename() != "tastora.lock") names.push_back(e.path().filename().string());
    return names;
}

class IniTest : public ::testing::Test {
protected:
    TempDataDir dir;
    IniFile ini{kIni};
};

// --- reading

TEST_F(IniTest, MissingFileSectionOrKeyGiveTheDefault) {
    EXPECT_EQ(ini.ReadString("Anna", "nivel", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Anna", "12", 7), 7);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Anna", "nivel", 1.1, ','), 1.1);
    EXPECT_FALSE(ini.SectionExists("Anna"));
    EXPECT_FALSE(ini.SectionHasKeys("Anna"));
    EXPECT_TRUE(ini.ReadSection("Anna").empty());

    WriteTestFile(kIni, "[Anna]\r\nnivel=2,1\r\n");
    ini.Refresh();  // another program's change, seen by the next operation
    EXPECT_EQ(ini.ReadString("Petr", "nivel", "def"), "def");
    EXPECT_EQ(ini.ReadString("Anna", "pass", "def"), "def");
    EXPECT_EQ(ini.ReadString("Anna", "nivel", "def"), "2,1");
}

TEST_F(IniTest, CyrillicNamesMatchWithoutRegardToCase) {
    WriteTestFile(kIni, Cp("[Анна Ёлкина]\r\nNivel=2,1\r\nКлюч=знач\r\n"));
    EXPECT_EQ(ini.ReadString("анна ёлкина", "NIVEL", ""), "2,1");
    EXPECT_EQ(ini.ReadString("АННА ЁЛКИНА", "ключ", ""), "знач");
    EXPECT_TRUE(ini.SectionHasKeys("аННа ёЛКИНА"));
    // Different letters stay different (е is not ё).
    EXPECT_FALSE(ini.SectionExists("Анна Елкина"));

    // A write through another spelling updates the same key in the same section.
    ini.WriteString("АННА ЁЛКИНА", "nivel", "3,1");
    EXPECT_EQ(ReadTestFile(kIni), Cp("[Анна Ёлкина]\r\nNivel=3,1\r\nКлюч=знач\r\n"));
}

TEST_F(IniTest, FirstSectionAndFirstKeyWin) {
    WriteTestFile(kIni, "[anna]\r\nk=1\r\nk=2\r\n[Petr]\r\nk=3\r\n[ANNA]\r\nk=4\r\nx=5\r\n");
    EXPECT_EQ(ini.ReadString("Anna", "k", ""), "1");
    // A key only the second copy holds is not seen.
    EXPECT_EQ(ini.ReadString("Anna", "x", "none"), "none");
    ini.WriteString("Anna", "k", "9");
    EXPECT_EQ(ReadTestFile(kIni), "[anna]\r\nk=9\r\nk=2\r\n[Petr]\r\nk=3\r\n[ANNA]\r\nk=4\r\nx=5\r\n");
}

TEST_F(IniTest, BlanksAroundNamesAndValuesAreDropped) {
    WriteTestFile(kIni, "  [ Anna ]  \r\n  nivel  =   2,1   \r\n\tpass\t=\t\r\n");
    EXPECT_EQ(ini.ReadString("Anna", "nivel", ""), "2,1");
    EXPECT_EQ(ini.ReadString(" Anna ", " nivel ", ""), "2,1");
    EXPECT_EQ(ini.ReadString("Anna", "pass", "def"), "");
    EXPECT_EQ(ini.ReadSection("Anna"), (std::vector<std::string>{"nivel", "pass"}));
}

TEST_F(IniTest, MatchingQuotesAroundAValueAreDropped) {
    WriteTestFile(kIni, "[A]\r\na=\"x y\"\r\nb='z'\r\nc=\"unbalanced\r\nd=\"\r\n");
    EXPECT_EQ(ini.ReadString("A", "a", ""), "x y");
    EXPECT_EQ(ini.ReadString("A", "b", ""), "z");
    EXPECT_EQ(ini.ReadString("A", "c", ""), "\"unbalanced");
    EXPECT_EQ(ini.ReadString("A", "d", ""), "\"");
}

TEST_F(IniTest, ValuesAreReadBackAtMost2047Characters) {
    const std::string cyr = Cp("я");
    std::string longValue;
    for (int i = 0; i < 3000; ++i) longValue += cyr;
    WriteTestFile(kIni, "[A]\r\nv=" + longValue + "\r\n");
    const std::string v = ini.ReadString("A", "v", "");
    EXPECT_EQ(Utf8ToCp1251(v).size(), 2047u);
    EXPECT_EQ(v.substr(0, 2), "я");
}

TEST_F(IniTest, OnlyRealHeadersStartSections) {
    // "[" inside a value, "[" without "]" and comments are not headers or keys.
    WriteTestFile(kIni, "[A]\r\nv=[B]\r\n[not a header\r\n; c=1\r\nw=2\r\nno equals sign\r\n[B] trailing\r\nk=3\r\n");
    EXPECT_EQ(ini.ReadString("A", "w", ""), "2");
    EXPECT_EQ(ini.ReadString("A", "c", "none"), "none");
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"v", "w"}));
    EXPECT_EQ(ini.ReadString("B", "k", ""), "3");
    EXPECT_EQ(ini.ReadString("B", "v", "none"), "none");
}

TEST_F(IniTest, SectionWithoutKeysExistsButHoldsNone) {
    WriteTestFile(kIni, "[Empty]\r\n; only a comment\r\n\r\n[Full]\r\nk=\r\n");
    EXPECT_TRUE(ini.SectionExists("Empty"));
    EXPECT_FALSE(ini.SectionHasKeys("Empty"));
    EXPECT_TRUE(ini.SectionHasKeys("Full"));
}

TEST_F(IniTest, LfOnlyFilesAndAByteOrderMarkAreRead) {
    WriteTestFile(kIni, "\xEF\xBB\xBF[A]\nk=1\n[B]\nk=2");
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    EXPECT_EQ(ini.ReadString("B", "k", ""), "2");
}

TEST_F(IniTest, NumbersThatDoNotConvertGiveTheDefault) {
    WriteTestFile(kIni, "[A]\r\ni=42\r\nneg=-7\r\nbad=4x\r\nbig=99999999999\r\nr=2,1\r\np=2.1\r\nempty=\r\n");
    EXPECT_EQ(ini.ReadInteger("A", "i", 0), 42);
    EXPECT_EQ(ini.ReadInteger("A", "neg", 0), -7);
    EXPECT_EQ(ini.ReadInteger("A", "bad", 5), 5);
    EXPECT_EQ(ini.ReadInteger("A", "big", 5), 5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("A", "r", 1.1, ','), 2.1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("A", "r", 1.1, '.'), 1.1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("A", "p", 1.1, '.'), 2.1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("A", "p", 1.1, ','), 1.1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("A", "empty", 1.1, ','), 1.1);
}

TEST_F(IniTest, HostileBytesNeverCrashAReadOrAWrite) {
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk += char((i * 7919) % 256);
    junk += "[";  // a header start at the very end
    WriteTestFile(kIni, junk);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    ini.WriteString("A", "k", "v");
    const std::string after = ReadTestFile(kIni);
    ASSERT_GT(after.size(), junk.size());
    EXPECT_EQ(after.substr(0, junk.size()), junk);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "v");
}

TEST_F(IniTest, LongLinesOfBracketsCostOneLookAtEachByte) {
    // 16 MB lines of "[" that cannot start a header: a lookup that looked at the rest of the
    // line again for every "[" would take hours here and be stopped by the test timeout.
    const size_t n = 16u << 20;
    for (const std::string& line :
         {"x" + std::string(n, '['), "k=" + std::string(n, '['), "  ; [" + std::string(n, '['), std::string(n, '[')}) {
        WriteTestFile(kIni, line + "\r\n[A]\r\nk=1\r\n");
        ini.Refresh();
        EXPECT_EQ(ini.ReadString("A", "k", ""), "1") << line.substr(0, 6);
        EXPECT_FALSE(ini.SectionExists("B"));
        ini.WriteString("B", "k", "2");
        EXPECT_EQ(ini.ReadString("B", "k", ""), "2");
        ini.EraseSection("A");
        EXPECT_EQ(ini.ReadString("A", "k", "gone"), "gone");
    }
}

// --- writing

TEST_F(IniTest, FirstWriteCreatesTheFileInWindows1251WithCrLf) {
    ini.WriteString("Анна", "nivel", "1,1");
    ini.WriteString("Анна", "pass", "YWJj");
    ini.WriteInteger("Петр", "12u", -3);
    ini.WriteFloat("Петр", "nivel", 16.3, ',');
    EXPECT_EQ(ReadTestFile(kIni), Cp("[Анна]\r\nnivel=1,1\r\npass=YWJj\r\n[Петр]\r\n12u=-3\r\nnivel=16,3\r\n"));
}

TEST_F(IniTest, RewritesKeepEveryOtherLineByteForByte) {
    const std::string before =
        "; written by hand\r\n"
        "orphan=1\r\n"
        "\r\n"
        "[Anna]\r\n"
        "  Nivel = 2,1  \r\n"
        "; a comment inside\r\n"
        "junk line\n"
        "pass=QQ==\r\n"
        "\r\n"
        "; trailing comment\r\n"
        "[Petr]\r\n"
        "nivel=3,1\r\n";
    WriteTestFile(kIni, before);

    // An existing key keeps its line and spelling; only the value changes.
    ini.WriteString("anna", "NIVEL", "2,2");
    std::string expected = before;
    expected.replace(expected.find(" 2,1"), 4, "2,2");
    EXPECT_EQ(ReadTestFile(kIni), expected);

    // A new key goes after the last key line of its section, before blank lines and comments.
    ini.WriteString("Anna", "doi", "2");
    expected.insert(expected.find("pass=QQ==\r\n") + 11, "doi=2\r\n");
    EXPECT_EQ(ReadTestFile(kIni), expected);

    // A new section goes at the end of the file.
    ini.WriteString("Ivan", "nivel", "1,1");
    expected += "[Ivan]\r\nnivel=1,1\r\n";
    EXPECT_EQ(ReadTestFile(kIni), expected);
}

TEST_F(IniTest, EmptyValueLineKeepsItsCrLfWhenRewritten) {
    WriteTestFile(kIni, "[A]\r\npass=\r\nk=1\r\n");
    ini.WriteString("A", "pass", "QQ==");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\npass=QQ==\r\nk=1\r\n");
    ini.WriteString("A", "pass", "");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\npass=\r\nk=1\r\n");
}

TEST_F(IniTest, KeyOfASectionWithoutKeysGoesRightAfterItsHeader) {
    WriteTestFile(kIni, "[A]\r\n; note\r\n[B]\r\nk=1\r\n");
    ini.WriteString("A", "k", "2");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nk=2\r\n; note\r\n[B]\r\nk=1\r\n");
}

TEST_F(IniTest, AFileWithoutAFinalLineBreakGetsOneBeforeANewLine) {
    WriteTestFile(kIni, "[A]\r\nk=1");
    ini.WriteString("A", "m", "2");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nk=1\r\nm=2\r\n");
    WriteTestFile(kIni, "[A]");
    ini.WriteString("A", "m", "2");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nm=2\r\n");
    WriteTestFile(kIni, "[A]\r\nk=1");
    ini.WriteString("B", "m", "2");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nk=1\r\n[B]\r\nm=2\r\n");
}

TEST_F(IniTest, SeveralHandlesSeeEachOthersWritesAtOnce) {
    IniFile kept(kIni);  // the exercise keeps one open from start to end
    IniFile other(kIni);
    kept.WriteInteger("Anna", "12", 1);
    EXPECT_EQ(other.ReadInteger("Anna", "12", 0), 1);
    other.WriteInteger("Anna", "12", other.ReadInteger("Anna", "12", 0) + 1);
    EXPECT_EQ(kept.ReadInteger("Anna", "12", 0), 2);
    other.EraseSection("anna");
    EXPECT_EQ(kept.ReadInteger("Anna", "12", 0), 0);
}

TEST_F(IniTest, WhatTheSyntaxCannotHoldIsRefusedAndNothingIsWritten) {
    WriteTestFile(kIni, "[A]\r\nk=1\r\n");
    const std::string message = "Unable to write to data\\users.ini";
    for (auto write : std::vector<std::function<void()>>{
             [&] { ini.WriteString("A", "k", "1\r\n[B]"); },
             [&] { ini.WriteString("A\nB", "k", "1"); },
             [&] { ini.WriteString("A", "a=b", "1"); },
             [&] { ini.WriteString("A", ";k", "1"); },
             [&] { ini.WriteString("", "k", "1"); },
             [&] { ini.WriteString("A", "  ", "1"); },
         }) {
        try {
            write();
            ADD_FAILURE() << "no error";
        } catch (const TastoraError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nk=1\r\n");
}

// A write that keeps every value's length, within one page of the file, goes over the old
// bytes in place (the file keeps its inode); any other is a replacement. Either way the file
// ends as the profile services would leave it, and its stamp changes.
TEST_F(IniTest, SameLengthValuesAreWrittenInPlaceAndTheFileIsTheSame) {
    const std::string pad = "; " + std::string(4084, '-') + "\r\n";  // the value after "[A]", pad and "k=" at 4095
    struct Case {
        const char* what;
        std::string before;
        std::vector<std::pair<std::string, std::string>> values;
        std::string after;
        bool inPlace;
    } cases[] = {
        {"a counter up by one",
         "[B]\r\nk=5\r\n[A]\r\nk=41 \r\nm=7\r\n",
         {{"K", "42"}},
         "[B]\r\nk=5\r\n[A]\r\nk=42 \r\nm=7\r\n",
         true},
        {"two keys of a section", "[A]\r\nk=41\r\nm=7\r\n", {{"k", "42"}, {"m", "8"}}, "[A]\r\nk=42\r\nm=8\r\n", true},
        {"nine to ten", "[A]\r\nk=9\r\n", {{"k", "10"}}, "[A]\r\nk=10\r\n", false},
        {"a blank before the value taken up", "[A]\r\nk= 9\r\n", {{"k", "10"}}, "[A]\r\nk=10\r\n", true},
        {"a new key", "[A]\r\nk=9\r\n", {{"n", "1"}}, "[A]\r\nk=9\r\nn=1\r\n", false},
        {"a new key beside a changed one", "[A]\r\nk=9\r\n", {{"k", "8"}, {"n", "1"}}, "[A]\r\nk=8\r\nn=1\r\n", false},
        {"a value across a page's end",
         "[A]\r\n" + pad + "k=41\r\n",
         {{"k", "52"}},
         "[A]\r\n" + pad + "k=52\r\n",
         false},
        {"one byte on each side of it",
         "[A]\r\n" + pad + "k=41\r\n",
         {{"k", "42"}},
         "[A]\r\n" + pad + "k=42\r\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTestFile(kIni, c.before);
        IniFile::ForgetAll();
        FileStamp old;
        ASSERT_TRUE(GetFileStamp(kIni, old));
        ini.WriteStrings("a", c.values);
        EXPECT_EQ(ReadTestFile(kIni), c.after);
        FileStamp now;
        ASSERT_TRUE(GetFileStamp(kIni, now));
        EXPECT_EQ(now.identity == old.identity, c.inPlace);
        EXPECT_GT(now.written, old.written);
        EXPECT_EQ(DataFiles(), std::vector<std::string>{"users.ini"});
    }
}

// --- erasing

TEST_F(IniTest, EraseRemovesTheWholeSectionFoundWithoutRegardToCase) {
    WriteTestFile(kIni, Cp("[Иван]\r\nk=1\r\n; его заметка\r\n\r\n[Петр]\r\nk=2\r\n[ИВАН]\r\nk=3\r\n"));
    ini.EraseSection("иван");
    // Every copy goes: no second section takes the erased profile's place.
    EXPECT_EQ(ReadTestFile(kIni), Cp("[Петр]\r\nk=2\r\n"));
    EXPECT_FALSE(ini.SectionExists("Иван"));
}

TEST_F(IniTest, ErasingAMissingSectionLeavesTheFileAlone) {
    WriteTestFile(kIni, "[A]\r\nk=1");
    ini.EraseSection("B");
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nk=1");
    IniFile none("data\\none.ini");
    none.EraseSection("B");
    EXPECT_FALSE(TestFileExists("data\\none.ini"));
}

// --- failures and the safe replace

TEST_F(IniTest, WriteToAReadOnlyFileRaisesAndLeavesItUntouched) {
    WriteTestFile(kIni, "[A]\r\nk=1\r\n");
    ASSERT_EQ(chmod("data/users.ini", 0444), 0);
    try {
        ini.WriteString("A", "k", "2");
        ADD_FAILURE() << "no error";
    } catch (const TastoraError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to data\\users.ini");
    }
    EXPECT_THROW(ini.EraseSection("A"), TastoraError);
    EXPECT_EQ(ReadTestFile(kIni), "[A]\r\nk=1\r\n");
    EXPECT_EQ(DataFiles(), std::vector<std::string>{"users.ini"});
}

TEST_F(IniTest, WriteIntoAMissingFolderRaisesWithTheFileName) {
    IniFile lost("nodata\\users.ini");
    try {
        lost.WriteInteger("A", "k", 1);
        ADD_FAILURE() << "no error";
    } catch (const TastoraError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to nodata\\users.ini");
    }
    EXPECT_FALSE(TestFileExists("nodata"));
}

TEST_F(IniTest, AnExistingFileThatCannotBeReadIsNotReplaced) {
    // A file too large to be read (sparse, 65 MiB) must not be replaced by the new key alone.
    WriteTestFile(kIni, "[A]\r\nk=1\r\n");
    ASSERT_EQ(truncate("data/users.ini", 65 << 20), 0);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    EXPECT_THROW(ini.WriteString("B", "k", "1"), TastoraError);
    EXPECT_THROW(ini.EraseSection("A"), TastoraError);
    struct stat st {};
    ASSERT_EQ(stat("data/users.ini", &st), 0);
    EXPECT_EQ(st.st_size, 65 << 20);
}

TEST_F(IniTest, AWriteLeavesNoTemporaryFileBehind) {
    for (int i = 0; i < 20; ++i) ini.WriteInteger("A", std::to_string(i), i);
    EXPECT_EQ(DataFiles(), std::vector<std::string>{"users.ini"});
    EXPECT_EQ(ini.ReadSection("A").size(), 20u);
}

// --- the kept parse

// Every answer from the parse kept and updated across writes is the answer a fresh read of
// the file gives.
TEST_F(IniTest, TheKeptParseAnswersAsAFreshReadAfterEveryWrite) {
    WriteTestFile(kIni, Cp("\xEF\xBB\xBF[Анна]\r\nnivel=1,1\r\n[B]\r\n\r\n[анна]\r\nx=dup\r\n[C]\r\n; c\r\nk=v"));
    const std::vector<std::string> sections = {"Анна", "B", "C", "D", "Петр"};
    const std::vector<std::string> keys = {"nivel", "x", "k", "12", "12u", "new"};
    auto answers = [&] {
        IniFile reader(kIni);
        std::string all;
        for (const auto& s : sections) {
            all += std::to_string(reader.SectionExists(s)) + std::to_string(reader.SectionHasKeys(s)) + "|";
            for (const auto& k : reader.ReadSection(s)) all += k + ",";
            for (const auto& k : keys) all += reader.ReadString(s, k, "-") + ";";
        }
        return all;
    };
    const std::vector<std::function<void()>> writes = {
        [&] { ini.WriteString("анна", "NIVEL", "a much longer value than before"); },
        [&] { ini.WriteString("Анна", "nivel", ""); },
        [&] { ini.WriteInteger("b", "12", 3); },
        [&] {
            ini.WriteStrings("C", {{"k", "w"}, {"12u", "1"}, {"new", "n"}});
        },
        [&] { ini.WriteString("Петр", "12", "7"); },
        [&] { ini.WriteString("D", "new", "d"); },
        [&] { ini.EraseSection("АННА"); },
        [&] { ini.WriteString("Анна", "nivel", "2,1"); },
        [&] { ini.WriteInteger("Петр", "12", 8); },
    };
    for (size_t i = 0; i < writes.size(); ++i) {
        writes[i]();
        const std::string kept = answers();
        IniFile::ForgetAll();
        EXPECT_EQ(kept, answers()) << "after write " << i;
    }
}

// Another copy of the program replaces the file (same size or not): the next operation
// answers from the new file, and a write keeps what the other copy wrote.
TEST_F(IniTest, AChangeByAnotherProgramIsSeenByTheNextOperation) {
    WriteTestFile(kIni, "[A]\r\nk=1\r\n");
    EXPECT_EQ(IniFile(kIni).ReadString("A", "k", ""), "1");
    const std::vector<std::pair<std::string, std::string>> others = {
        {"[A]\r\nk=2\r\n", "2"}, {"[A]\r\nk=33\r\n[B]\r\nj=1\r\n", "33"}, {"", "none"}};
    for (const auto& [other, value] : others) {
        WriteTestFile("data\\other.tmp", other);
        ASSERT_EQ(std::rename("data/other.tmp", "data/users.ini"), 0);
        IniFile next(kIni);
        EXPECT_EQ(next.ReadString("A", "k", "none"), value);
        next.WriteString("C", "m", "1");
        EXPECT_EQ(ReadTestFile(kIni), other + "[C]\r\nm=1\r\n");
    }
    // A write checks the file even inside an operation that has looked at it already.
    IniFile same(kIni);
    EXPECT_EQ(same.ReadString("C", "m", ""), "1");
    WriteTestFile("data\\other.tmp", "[C]\r\nm=2\r\n");
    ASSERT_EQ(std::rename("data/other.tmp", "data/users.ini"), 0);
    same.WriteString("C", "n", "3");
    EXPECT_EQ(ReadTestFile(kIni), "[C]\r\nm=2\r\nn=3\r\n");
    // A removed file is missing at the next operation.
    std::remove("data/users.ini");
    EXPECT_EQ(IniFile(kIni).ReadString("C", "m", "gone"), "gone");
}

}  // namespace
}  // namespace tastora
