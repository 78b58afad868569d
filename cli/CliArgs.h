// Small argument helpers shared by the sub-commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "engine/Zendra.h"

namespace zendra::cli {

// --verify: the jobs also prove every copied byte.
bool WantsByteProof(const std::vector<std::string>& args);

// Frames as the clip job counts them: 0 the beginning, N the N-th video frame; "65.4s"
// is a time, turned into the frame shown at that instant.
std::optional<std::int32_t> ParseFrame(const std::string& text, long double frameRate);

// A progress display for the terminal: a bar on a terminal, nothing otherwise.
class TTerminalProgress {
public:
    explicit TTerminalProgress(std::string label = {});
    ~TTerminalProgress();
    void SetLabel(const std::string& label);
    void Show(std::int32_t done, std::int32_t total);
    void Finish();

private:
    std::string FLabel;
    bool FTerminal;
    bool FDrawn = false;
    int FLastPercent = -1;
};

}  // namespace zendra::cli
