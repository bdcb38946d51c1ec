// Shared primitives: character sets, pictures and their readers, file access.
#include <gtest/gtest.h>

#include <random>

#include "core/bitmap.h"
#include "core/errors.h"
#include "core/files.h"
#include "core/image_io.h"
#include "core/text.h"
#include "tests/support/exercise_data.h"
#include "tests/support/swf_hostile.h"
#include "tests/support/test_files.h"

namespace tastora {
namespace {

TEST(Cp1251, RoundTripsEveryDefinedByte) {
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;  // the one byte without a character
        const std::string one(1, char(b));
        EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(one)), one) << "byte " << b;
    }
}

TEST(Cp1251, MapsCyrillicAndMarksWhatItLacks) {
    EXPECT_EQ(Utf8ToCp1251("Анна ёЁ №"), "\xC0\xED\xED\xE0 \xB8\xA8 \xB9");
    bool lossless = true;
    EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xADz", &lossless), "a?z");  // a CJK character
    EXPECT_FALSE(lossless);
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF"), "Ая");
}

TEST(Cp1251, FoldsCaseOfLatinAndCyrillic) {
    EXPECT_TRUE(EqualNoCaseCp1251(Utf8ToCp1251("Анна"), Utf8ToCp1251("аННА")));
    EXPECT_TRUE(EqualNoCaseCp1251(Utf8ToCp1251("Ёлка"), Utf8ToCp1251("ёЛКА")));
    EXPECT_TRUE(EqualNoCaseCp1251("Nivel", "NIVEL"));
    EXPECT_FALSE(EqualNoCaseCp1251(Utf8ToCp1251("Анна"), Utf8ToCp1251("Анне")));
    EXPECT_FALSE(EqualNoCaseCp1251("[", "{"));  // not folded like ASCII letters
}

TEST(Utf16, HandlesSurrogatesAndBrokenInput) {
    const std::string text = "Aя\xF0\x9F\x98\x80";  // A, ya, an emoji
    const std::u16string wide = Utf8ToUtf16(text);
    ASSERT_EQ(wide.size(), 4u);
    EXPECT_EQ(wide[1], u'я');
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), std::u16string(1, char16_t(0xFFFD)));  // cut sequence
}

TEST(ParseInt, AcceptsOnlyDecimalIntegers) {
    int32_t v = 0;
    EXPECT_TRUE(ParseInt(" -12 ", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(ParseInt("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(ParseInt("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    for (const char* bad : {"", " ", "-", "2147483648", "1,5", "12a", "0x10", "99999999999999999999"})
        EXPECT_FALSE(ParseInt(bad, v)) << bad;
}

TEST(BitmapDraw, ClipsAtEveryEdge) {
    Bitmap dst(4, 3, kWhite), src(2, 2, kBlack);
    dst.Draw(src, -1, -1);
    dst.Draw(src, 3, 2);
    EXPECT_EQ(dst.At(0, 0), kBlack);
    EXPECT_EQ(dst.At(1, 1), kWhite);
    EXPECT_EQ(dst.At(3, 2), kBlack);
    EXPECT_EQ(dst.At(2, 2), kWhite);
    dst.Draw(src, 100, 100);  // wholly outside: nothing happens
    dst.Draw(Bitmap(), 0, 0);
}

TEST(BitmapLine, LeavesOutTheEndPointLikeLineTo) {
    Bitmap b(10, 10, kWhite);
    b.Line(1, 1, 5, 1, kBlack);
    for (int x = 1; x < 5; ++x) EXPECT_EQ(b.At(x, 1), kBlack);
    EXPECT_EQ(b.At(5, 1), kWhite);
    b.Line(0, 9, 3, 6, kBlack);  // diagonal up
    EXPECT_EQ(b.At(0, 9), kBlack);
    EXPECT_EQ(b.At(2, 7), kBlack);
    EXPECT_EQ(b.At(3, 6), kWhite);
    b.Line(-5, -5, 20, 20, kBlack);  // off the picture: clipped, no crash
    EXPECT_EQ(b.At(4, 4), kBlack);
}

TEST(Bmp, EncodesAndDecodesTwentyFourBit) {
    Bitmap pic(3, 2, kWhite);
    pic.Set(0, 0, MakeRgb(255, 0, 0));
    pic.Set(2, 1, MakeRgb(0, 0, 255));
    Bitmap back;
    ASSERT_TRUE(DecodeBmp(EncodeBmp(pic), back));
    EXPECT_EQ(back, pic);
}

TEST(Bmp, ReadsPaletteAndTopDownPictures) {
    // 2 x 2, 8 bits with a 2-colour palette, top-down (negative height).
    std::string b = "BM";
    auto put32 = [&b](uint32_t v) {
        for (int i = 0; i < 4; ++i) b += char((v >> (8 * i)) & 255);
    };
    auto put16 = [&b](uint16_t v) {
        b += char(v & 255);
        b += char(v >> 8);
    };
    put32(0);
    put32(0);
    put32(14 + 40 + 8);
    put32(40);
    put32(2);
    put32(uint32_t(-2));
    put16(1);
    put16(8);
    put32(0);
    put32(0);
    put32(0);
    put32(0);
    put32(2);
    put32(0);
    b += std::string("\x00\x00\x00\x00", 4);  // black
    b += std::string("\x00\xFF\x00\x00", 4);  // green
    b += std::string("\x01\x00\x00\x00", 4);  // row 0: green, black
    b += std::string("\x00\x01\x00\x00", 4);  // row 1: black, green
    Bitmap pic;
    ASSERT_TRUE(DecodeBmp(b, pic));
    EXPECT_EQ(pic.At(0, 0), MakeRgb(0, 255, 0));
    EXPECT_EQ(pic.At(1, 0), kBlack);
    EXPECT_EQ(pic.At(1, 1), MakeRgb(0, 255, 0));
    // A palette index beyond the palette is damage, not a read past it.
    b[b.size() - 4] = 7;
    EXPECT_FALSE(DecodeBmp(b, pic));
}

TEST(Bmp, RefusesDamagedFilesWithoutReadingPastThem) {
    Bitmap pic(33, 17, MakeRgb(10, 20, 30));
    const std::string good = EncodeBmp(pic);
    Bitmap out;
    for (size_t n = 0; n < good.size(); n += 7) EXPECT_FALSE(DecodeBmp(good.substr(0, n), out)) << n;
    EXPECT_FALSE(DecodeBmp("not a picture at all, just text", out));
    std::string huge = good;
    huge[18] = '\xFF';
    huge[19] = '\xFF';
    huge[20] = '\xFF';
    huge[21] = '\x7F';  // width 2^31-1
    EXPECT_FALSE(DecodeBmp(huge, out));
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {  // random damage never crashes
        std::string bad = good;
        for (int k = 0; k < 4; ++k) bad[rng() % 60] = char(rng());
        DecodeBmp(bad, out);
    }
}

TEST(Bmp, HeaderSizesThatWrapInThirtyTwoBitsAreRefused) {
    // Header sizes near 2^32: 14 + size wraps round in a 32-bit size_t, and a reader that
    // adds first reads past the end of these files (the 32-bit sanitizer build shows it).
    Bitmap out;
    for (const char* header : {"\xf2\xff\xff\xff", "\xff\xff\xff\xff", "\xf3\xff\xff\xff", "\x28\x00\x00\x80"}) {
        std::string b("\x42\x4d\x1e\x00\x00\x00\x00\x00\x00\x00\x1a\x00\x00\x00", 14);
        b += std::string(header, 4);
        b += std::string("\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x18\x00", 12);
        ASSERT_EQ(b.size(), 30u);
        EXPECT_FALSE(DecodeBmp(b, out));
        EXPECT_TRUE(out.Empty());
    }
}

TEST(Jpeg, RefusesDamagedFiles) {
    Bitmap out;
    EXPECT_FALSE(DecodeJpeg("", out));
    EXPECT_FALSE(DecodeJpeg("\xFF\xD8\xFF\xE0 truncated", out));
    EXPECT_FALSE(DecodeJpeg(EncodeBmp(Bitmap(4, 4)), out));
    EXPECT_TRUE(out.Empty());
    // A real picture cut short in its image data: libjpeg only warns and pads with grey.
    const std::string whole = SolidJpeg(737, 233, MakeRgb(200, 30, 30));
    ASSERT_TRUE(DecodeJpeg(whole, out));
    EXPECT_FALSE(DecodeJpeg(whole.substr(0, whole.size() / 2), out));
    EXPECT_TRUE(out.Empty());
    // Too large, refused before anything is decoded: a progressive picture of 65,500 px
    // square would first take some 12 GB of coefficients.
    for (int side : {8193, 65500}) {
        const auto big = tastora::swf_samples::ProgressiveJpeg(side, side, 8 << 20);
        EXPECT_FALSE(DecodeJpeg(std::string(big.begin(), big.end()), out)) << side;
        EXPECT_TRUE(out.Empty());
    }
}

TEST(PictureFiles, MissingOrDamagedFilesRaiseErrorsNamingThem) {
    TempDataDir dir;
    try {
        LoadJpeg("data\\pictures\\alb.jpg");
        FAIL() << "no error";
    } catch (const TastoraError& e) {
        EXPECT_NE(std::string(e.what()).find("data\\pictures\\alb.jpg"), std::string::npos);
    }
    WriteTestFile("data\\pictures\\graph.bmp", "BM garbage");
    EXPECT_THROW(LoadBmp("data\\pictures\\graph.bmp"), TastoraError);
    WriteTestFile("data\\pictures\\ok.bmp", EncodeBmp(Bitmap(5, 5, kBlack)));
    EXPECT_EQ(LoadBmp("data\\pictures\\ok.bmp").Width(), 5);
}

// Versions of a file written within one tick of the file system's clock still differ in
// their stamps: each replace is written later than the version it replaces.
TEST(Files, EachReplaceIsWrittenLaterThanTheVersionItReplaces) {
    TempDataDir dir;
    ASSERT_TRUE(WriteFileReplacing("data\\a.ini", "1"));
    FileStamp before, after;
    ASSERT_TRUE(GetFileStamp("data\\a.ini", before));
    for (int64_t ahead : {int64_t(0), int64_t(0), int64_t(3600) * 1000000000}) {
        const int64_t previous = before.written + ahead;
        ASSERT_TRUE(WriteFileReplacing("data\\a.ini", "2", &previous));
        ASSERT_TRUE(GetFileStamp("data\\a.ini", after));
        EXPECT_GT(after.written, previous);
        EXPECT_NE(after, before);
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile("data\\a.ini", bytes, 100, &before));
        EXPECT_EQ(before, after);
    }
}

TEST(Files, ReplacingWritesAllOrNothing) {
    TempDataDir dir;
    ASSERT_TRUE(WriteFileReplacing("data\\a.txt", "first"));
    ASSERT_TRUE(WriteFileReplacing("data\\a.txt", "second"));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile("data\\a.txt", bytes));
    EXPECT_EQ(bytes, "second");
    EXPECT_FALSE(TestFileExists("data\\a.txt.tmp~"));
    EXPECT_FALSE(WriteFileReplacing("missing-folder\\a.txt", "x"));
    EXPECT_FALSE(ReadWholeFile("data\\nothing.txt", bytes));
    EXPECT_TRUE(AppendToFile("data\\a.txt", "+"));
    ASSERT_TRUE(ReadWholeFile("data\\a.txt", bytes));
    EXPECT_EQ(bytes, "second+");
    EXPECT_FALSE(ReadWholeFile("data", bytes));  // a folder is not a file
}

}  // namespace
}  // namespace tastora
