// The members of a join: which files may join, in which order, and from which split run.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine/AviRecords.h"
#include "engine/IndexRebuild.h"

namespace zendra {

// A part written by a split, as a join reads it.
struct TJoinMember {
    std::string Path;
    TPartRecord Record;
    long double PlayTime = 0;  // seconds
    // What was said of an index built from the part's contents; empty when it had its own.
    std::string RebuiltIndex;
};

// The file as a join member; nothing when it is no part of a split run. rebuild says what
// to do with a part whose index is missing or cut short.
std::optional<TJoinMember> ReadJoinMember(const std::string& path, TIndexRebuild rebuild = TIndexRebuild::Refuse);

// Sort key of a join member: batch identity, then the part number in eight digits.
std::string JoinSortKey(const TPartRecord& record);
bool JoinKeyLess(const std::string& a, const std::string& b);
bool JoinKeyEqual(const std::string& a, const std::string& b);

// Puts entries (anything with a Key from JoinSortKey) in join order; equal keys keep theirs.
template <class TEntry>
void SortForJoin(std::vector<TEntry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TEntry& a, const TEntry& b) { return JoinKeyLess(a.Key, b.Key); });
}

// Whether an entry holds the same part of the same run as key.
template <class TEntry>
bool ListsPart(const std::vector<TEntry>& entries, const std::string& key)
{
    return std::any_of(entries.begin(), entries.end(),
                       [&key](const TEntry& entry) { return JoinKeyEqual(entry.Key, key); });
}

// In sorted entries: the first that is the same part as the one before it; size() when none.
template <class TEntry>
std::size_t FirstRepeatedPart(const std::vector<TEntry>& entries)
{
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (JoinKeyEqual(entries[i].Key, entries[i - 1].Key))
            return i;
    return entries.size();
}

// Members of more than one split run: the join warns, or refuses without being forced.
bool MixedOrigins(const std::vector<std::string>& batchIdentities);

constexpr const char* kMixedOriginText =
    "You are about to combine files from different origin. Remove the ones with different Group ID first before "
    "start joining.";
constexpr const char* kTooFewToJoinText = "At least two files needed to be joined";

}  // namespace zendra
