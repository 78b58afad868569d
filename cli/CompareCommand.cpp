#include "cli/Commands.h"

namespace zendra::cli {

int RunCompare(const TArgs&)
{
    return UsageError("compare is not available yet");
}

}  // namespace zendra::cli
