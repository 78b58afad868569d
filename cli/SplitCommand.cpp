#include "cli/Commands.h"

namespace zendra::cli {

int RunSplit(const TArgs&)
{
    return UsageError("split is not available yet");
}

}  // namespace zendra::cli
