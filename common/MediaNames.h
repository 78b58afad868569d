// Names of the video codecs and audio formats the program knows.
#pragma once

#include <cstdint>
#include <string>

namespace zendra {

// Name for a codec text (the handler's four characters); empty when unknown.
std::string VideoCodecName(const std::string& codecText);
// "Not in the database" for an unknown tag.
std::string AudioCodecName(std::uint16_t formatTag);

}  // namespace zendra
