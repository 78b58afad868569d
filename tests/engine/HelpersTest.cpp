// The shared text and file helpers, and the engine's name helper.
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <utime.h>

#include <gtest/gtest.h>

#include "common/Bytes.h"
#include "common/FileHelpers.h"
#include "common/TextHelpers.h"
#include "engine/AviRecords.h"
#include "engine/MediaNames.h"
#include "engine/Zendra.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra {
namespace {

TEST(TimeText, ShowsHoursMinutesSecondsAndHundredths)
{
    EXPECT_EQ("1h:02m:05s:50ms", SecondsToTimeText(3725.5L));
    EXPECT_EQ("0h:00m:00s:00ms", SecondsToTimeText(0));
    EXPECT_EQ("0h:00m:01s:23ms", SecondsToTimeText(1.234L));
    EXPECT_EQ("23h:59m:59s:00ms", SecondsToTimeText(86399));
}

TEST(TimeText, DropsWholeDays)
{
    EXPECT_EQ("1h:01m:01s:00ms", SecondsToTimeText(90061));
    EXPECT_EQ("0h:00m:00s:00ms", SecondsToTimeText(86400 * 3));
}

TEST(TimeText, TwoDigitTextPadsToTwo)
{
    EXPECT_EQ("00", TwoDigitText(0));
    EXPECT_EQ("07", TwoDigitText(7));
    EXPECT_EQ("123", TwoDigitText(123));
}

TEST(FitTextTest, CutsOrPadsToExactWidth)
{
    EXPECT_EQ("Key     ", FitText("Key", 8, false));
    EXPECT_EQ("     Key", FitText("Key", 8, true));
    EXPECT_EQ("12345678", FitText("123456789", 8, false));
    EXPECT_EQ("12345678", FitText("123456789", 8, true));
    EXPECT_EQ("    ", FitText("", 4, true));
}

TEST(ZeroPadded, PadsInFrontAndNeverCuts)
{
    EXPECT_EQ("00007", IntToZeroPadded(7, 5));
    EXPECT_EQ("123456", IntToZeroPadded(123456, 5));
    EXPECT_EQ("00-5", IntToZeroPadded(-5, 4));  // the minus sign counts; zeros go before it
    EXPECT_EQ("0", IntToZeroPadded(0, 0));
}

TEST(FourCC, BytesInMemoryOrderUpToTheFirstZero)
{
    EXPECT_EQ("AVI ", FourCCToText(MakeFourCC('A', 'V', 'I', ' ')));
    EXPECT_EQ("", FourCCToText(0));
    EXPECT_EQ("", FourCCToText(MakeFourCC('\0', 'b', 'c', 'd')));
    EXPECT_EQ("ab", FourCCToText(MakeFourCC('a', 'b', '\0', 'd')));
    EXPECT_EQ("DIB ", FourCCToText(TextToFourCC("DIB ")));
}

TEST(Digits, CollectsOnlyDigits)
{
    EXPECT_EQ(123, DigitsToInt("12a3"));
    EXPECT_EQ(5, DigitsToInt("-5"));
    EXPECT_EQ(0, DigitsToInt("abc"));
    EXPECT_EQ(0, DigitsToInt(""));
    EXPECT_EQ(2147483647, DigitsToInt("2147483647"));
    EXPECT_EQ(42, DigitsToInt("0000000000000042"));
}

TEST(Digits, OutOfRangeFailsWithConversionError)
{
    EXPECT_THROW(DigitsToInt("2147483648"), std::out_of_range);
    EXPECT_THROW(DigitsToInt("99999999999999999999999"), std::out_of_range);
}

std::string AudioText(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels)
{
    std::uint8_t wave[128] = {};
    PutU16(wave, 1);
    PutU16(wave + 2, channels);
    PutU32(wave + 4, rate);
    PutU16(wave + 14, bits);
    return AudioFormatText(TWaveFormatRecord::Decode(wave));
}

TEST(AudioFormat, RateBitsAndChannels)
{
    EXPECT_EQ("44100, 16 bits Stereo", AudioText(44100, 16, 2));
    EXPECT_EQ("22050, 8  bits Mono", AudioText(22050, 8, 1));
    EXPECT_EQ("11025, 8  bits Mono", AudioText(11025, 8, 1));
    // Compressed formats store 0 bits per sample.
    EXPECT_EQ("44100, 16 bits Stereo", AudioText(44100, 0, 2));
    EXPECT_EQ("22050, ", AudioText(22050, 24, 6));
}

class FileDateTime : public ::testing::Test {
protected:
    void SetUp() override { Folder = test::MakeTempDir("zendra-date"); }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    // Sets the file's last-write time to a local date and time.
    void SetLocalMTime(const std::string& path, int year, int month, int day, int h, int m, int s)
    {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = h;
        local.tm_min = m;
        local.tm_sec = s;
        local.tm_isdst = -1;
        const std::time_t t = std::mktime(&local);
        utimbuf times{t, t};
        ASSERT_EQ(0, utime(path.c_str(), &times));
    }

    std::string Folder;
};

TEST_F(FileDateTime, LocalTimeAsDayCountWithTwoSecondResolution)
{
    const std::string path = Folder + "/movie.avi";
    test::WriteFileBytes(path, {1, 2, 3});
    SetLocalMTime(path, 2021, 3, 14, 10, 20, 31);
    // 14 March 2021 is day 44269; the odd second falls to the even one below.
    EXPECT_NEAR(44269 + (10 * 3600 + 20 * 60 + 30) / 86400.0, GetFileDateTime(path), 1e-9);

    SetLocalMTime(path, 2023, 7, 1, 23, 59, 58);
    EXPECT_NEAR(45108 + (23 * 3600 + 59 * 60 + 58) / 86400.0, GetFileDateTime(path), 1e-9);
}

TEST_F(FileDateTime, MissingFileOrFolderGivesZero)
{
    EXPECT_EQ(0, GetFileDateTime(Folder + "/none.avi"));
    EXPECT_EQ(0, GetFileDateTime(Folder));
}

TEST(NameWithoutExtTest, StripsFolderAndLastExtension)
{
    EXPECT_EQ("holiday", NameWithoutExt("/movies/holiday.avi"));
    EXPECT_EQ("part.one", NameWithoutExt("/x/part.one.avi"));
    EXPECT_EQ("abc", NameWithoutExt("abc"));
    // Without an extension the text comes back whole, folder included.
    EXPECT_EQ("/dir.d/abc", NameWithoutExt("/dir.d/abc"));
    EXPECT_EQ("clip", NameWithoutExt("clip.AVI"));
}

}  // namespace
}  // namespace zendra
