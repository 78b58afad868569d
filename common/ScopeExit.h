// Runs a step when a scope ends, however it ends: a return, an error, or the end of the block.
#pragma once

#include <utility>

namespace zendra {

template <typename TStep>
class TScopeExit {
public:
    explicit TScopeExit(TStep step) : FStep(std::move(step)) {}
    ~TScopeExit()
    {
        if (FArmed)
            FStep();
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

    // The scope ended as hoped: the step is not needed.
    void Release() { FArmed = false; }

private:
    TStep FStep;
    bool FArmed = true;
};

}  // namespace zendra
