#include "cli/Commands.h"

namespace zendra::cli {

int RunJoin(const TArgs&)
{
    return UsageError("join is not available yet");
}

}  // namespace zendra::cli
