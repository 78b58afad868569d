#include "common/TextHelpers.h"

#include <cmath>
#include <stdexcept>

#include "common/Bytes.h"

namespace zendra {

std::string TwoDigitText(std::uint16_t n)
{
    std::string text = std::to_string(n);
    while (text.size() < 2)
        text.insert(text.begin(), '0');
    return text;
}

TTimeOfDay DayFractionToTime(double days)
{
    // Milliseconds of the day, rounded the way a date-time decodes its fraction.
    double ms = std::round(std::fabs(days - std::trunc(days)) * 86400000.0);
    auto total = static_cast<std::int64_t>(ms) % 86400000;
    TTimeOfDay t;
    t.hours = static_cast<int>(total / 3600000);
    t.minutes = static_cast<int>(total / 60000 % 60);
    t.seconds = static_cast<int>(total / 1000 % 60);
    t.milliseconds = static_cast<int>(total % 1000);
    return t;
}

std::string SecondsToTimeText(long double seconds)
{
    TTimeOfDay t = DayFractionToTime(static_cast<double>(seconds / 86400.0L));
    return std::to_string(t.hours) + "h:" + TwoDigitText(t.minutes) + "m:" + TwoDigitText(t.seconds) +
           "s:" + TwoDigitText(t.milliseconds / 10) + "ms";
}

std::string FitText(const std::string& text, int width, bool rightAlign)
{
    if (width <= 0)
        return {};
    std::string result = text.substr(0, static_cast<std::size_t>(width));
    const auto pad = static_cast<std::size_t>(width) - result.size();
    if (rightAlign)
        result.insert(0, pad, ' ');
    else
        result.append(pad, ' ');
    return result;
}

std::string IntToZeroPadded(std::int32_t n, int width)
{
    std::string text = std::to_string(n);
    while (static_cast<int>(text.size()) < width)
        text.insert(text.begin(), '0');
    return text;
}

std::string FourCCToText(std::uint32_t code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        if (c == 0)
            break;
        text.push_back(c);
    }
    return text;
}

std::uint32_t TextToFourCC(const std::string& text)
{
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < 4 && i < text.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(text[i]);
    return GetU32(bytes);
}

std::int32_t DigitsToInt(const std::string& text)
{
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits.push_back(c);
    if (digits.empty())
        return 0;
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    if (digits.size() - first > 10)
        throw std::out_of_range("'" + text + "' is not a valid integer value");
    const long long value = std::stoll(digits.substr(first));
    if (value > 2147483647LL)
        throw std::out_of_range("'" + text + "' is not a valid integer value");
    return static_cast<std::int32_t>(value);
}

}  // namespace zendra
