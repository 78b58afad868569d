// Text formatting shared by the engine, the main window and the viewers.
#pragma once

#include <cstdint>
#include <string>

namespace zendra {

std::string TwoDigitText(std::uint16_t n);
std::string SecondsToTimeText(long double seconds);
std::string FitText(const std::string& text, int width, bool rightAlign);
std::string IntToZeroPadded(std::int32_t n, int width);
std::string FourCCToText(std::uint32_t code);
std::uint32_t TextToFourCC(const std::string& text);
// Throws std::out_of_range when the digits do not fit a signed 32-bit number.
std::int32_t DigitsToInt(const std::string& text);

struct TTimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int milliseconds = 0;
};
// Breaks a day fraction into a time of day; whole days are dropped.
TTimeOfDay DayFractionToTime(double days);

}  // namespace zendra
