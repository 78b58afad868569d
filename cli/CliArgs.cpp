#include "cli/CliArgs.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace zendra::cli {

bool WantsByteProof(const std::vector<std::string>& args)
{
    for (const std::string& a : args)
        if (a == "--verify")
            return true;
    return false;
}

int UsageError(const std::string& text)
{
    std::cerr << "zendra-cli: " << text << "\nRun 'zendra-cli --help' for the commands." << std::endl;
    return kExitUsage;
}

std::optional<std::int32_t> ParseFrame(const std::string& text, long double frameRate)
{
    if (text.empty())
        return std::nullopt;
    try {
        std::size_t used = 0;
        if (text.back() == 's') {
            const long double seconds = std::stold(text.substr(0, text.size() - 1), &used);
            if (used != text.size() - 1 || !std::isfinite(seconds) || seconds < 0)
                return std::nullopt;
            const long double frame = std::nearbyint(seconds * frameRate);
            // Beyond the frame counter is no frame at all, not a wrapped-around one.
            if (!(frame >= 0 && frame <= 2147483647.0L))
                return std::nullopt;
            return static_cast<std::int32_t>(frame);
        }
        const long value = std::stol(text, &used);
        if (used != text.size() || value < 0 || value > 2147483647L)
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

TTerminalProgress::TTerminalProgress(std::string label) : FLabel(std::move(label)), FTerminal(isatty(STDERR_FILENO)) {}

TTerminalProgress::~TTerminalProgress()
{
    Finish();
}

void TTerminalProgress::SetLabel(const std::string& label)
{
    Finish();
    FLabel = label;
    FLastPercent = -1;
}

void TTerminalProgress::Show(std::int32_t done, std::int32_t total)
{
    if (!FTerminal || total <= 0)
        return;
    const int percent = static_cast<int>(std::min<long long>(100, 100LL * done / total));
    if (percent == FLastPercent)
        return;
    FLastPercent = percent;
    const int filled = percent / 4;
    std::fprintf(stderr, "\r%s [%-25s] %3d%%", FLabel.c_str(), std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 percent);
    std::fflush(stderr);
    FDrawn = true;
}

void TTerminalProgress::Finish()
{
    if (FDrawn) {
        std::fprintf(stderr, "\n");
        FDrawn = false;
    }
}

}  // namespace zendra::cli
