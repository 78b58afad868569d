// Names of the video codecs and audio formats the program knows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/AviRecords.h"

namespace zendra {

// Name for a codec text (the handler's four characters); empty when unknown.
std::string VideoCodecName(const std::string& codecText);
// "Not in the database" for an unknown tag.
std::string AudioCodecName(std::uint16_t formatTag);
// Rate, sample size and channels: "44100, 16 bits Stereo".
std::string AudioFormatText(const TWaveFormatRecord& wave);

}  // namespace zendra
