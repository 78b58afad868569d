#include "app/jobs/JoinMembers.h"

#include <cctype>

#include "common/TextHelpers.h"
#include "engine/Zendra.h"

namespace zendra {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

std::optional<TJoinMember> ReadJoinMember(const std::string& path, TIndexRebuild rebuild)
{
    TZendra engine(path, {}, rebuild);
    if (engine.FrameRate == 0 || !engine.IsPart)
        return std::nullopt;
    return TJoinMember{path, engine.PartRecord, engine.FrameCount / engine.FrameRate,
                       engine.IndexRebuilt ? RebuiltIndexLine(engine) : std::string()};
}

std::string JoinSortKey(const TPartRecord& record)
{
    return record.BatchIdentity() + IntToZeroPadded(record.PartIndex(), 8);
}

bool JoinKeyLess(const std::string& a, const std::string& b)
{
    return Lower(a) < Lower(b);
}

bool JoinKeyEqual(const std::string& a, const std::string& b)
{
    return Lower(a) == Lower(b);
}

bool MixedOrigins(const std::vector<std::string>& batchIdentities)
{
    return std::any_of(batchIdentities.begin(), batchIdentities.end(),
                       [&](const std::string& batch) { return batch != batchIdentities.front(); });
}

}  // namespace zendra
