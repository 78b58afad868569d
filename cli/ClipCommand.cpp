#include "cli/Commands.h"

namespace zendra::cli {

int RunClip(const TArgs&)
{
    return UsageError("clip is not available yet");
}

}  // namespace zendra::cli
