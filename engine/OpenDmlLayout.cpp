#include "engine/OpenDmlLayout.h"

#include <algorithm>

#include "engine/AviRecords.h"

namespace zendra {

namespace {

std::uint32_t SuperIndexSize(std::uint32_t room)
{
    return static_cast<std::uint32_t>(TSuperIndexRecord::kSize + std::size_t{room} * TSuperIndexEntry::kSize);
}

// One child of a list: its data clamped to the list, so that a child sized past its list
// is copied only as far as the list reaches (and resized to that).
struct TChild {
    std::uint32_t Id = 0;
    std::size_t Data = 0;
    std::size_t End = 0;
    std::uint32_t Size() const { return static_cast<std::uint32_t>(End - Data); }
};

std::vector<TChild> Children(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to)
{
    std::vector<TChild> children;
    to = std::min(to, bytes.size());
    for (std::size_t at = from; at + 8 <= to;) {
        const std::uint32_t size = GetU32(&bytes[at + 4]);
        TChild child{GetU32(&bytes[at]), at + 8, static_cast<std::size_t>(std::min<std::uint64_t>(at + 8 + std::uint64_t{size}, to))};
        children.push_back(child);
        at = child.Data + std::uint64_t{size} + (size & 1) > to ? to : child.Data + size + (size & 1);
    }
    return children;
}

void AppendHeader(std::vector<std::uint8_t>& out, std::uint32_t id, std::uint32_t size)
{
    std::uint8_t head[8];
    PutU32(head, id);
    PutU32(head + 4, size);
    out.insert(out.end(), head, head + 8);
}

void AppendChunk(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes, const TChild& child)
{
    AppendHeader(out, child.Id, child.Size());
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(child.Data),
               bytes.begin() + static_cast<std::ptrdiff_t>(child.End));
    if (out.size() & 1)
        out.push_back(0);
}

// A list header whose size is filled in by CloseList.
std::size_t OpenList(std::vector<std::uint8_t>& out, std::uint32_t type)
{
    const std::size_t start = out.size();
    AppendHeader(out, kList, 0);
    std::uint8_t code[4];
    PutU32(code, type);
    out.insert(out.end(), code, code + 4);
    return start;
}

void CloseList(std::vector<std::uint8_t>& out, std::size_t start)
{
    PutU32(&out[start + 4], static_cast<std::uint32_t>(out.size() - start - 8));
}

std::uint32_t ListType(const std::vector<std::uint8_t>& bytes, const TChild& child)
{
    return child.Id == kList && child.Size() >= 4 ? GetU32(&bytes[child.Data]) : 0;
}

void AppendStreamList(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes, const TChild& list,
                      std::uint32_t room, TOpenDmlSlots& slots)
{
    const std::size_t start = OpenList(out, kStrl);
    TOpenDmlSlots::TStream stream;
    bool placed = false;
    for (const TChild& child : Children(bytes, list.Data + 4, list.End)) {
        if (child.Id == kStrh && child.Size() >= TStreamHeaderRecord::kSize) {
            stream.Type = GetU32(&bytes[child.Data + TStreamHeaderRecord::kType]);
            stream.SampleSize = GetU32(&bytes[child.Data + TStreamHeaderRecord::kSampleSize]);
            stream.Length = out.size() + 8 + TStreamHeaderRecord::kLength;
        }
        // The room a muxer kept for an index (or the input's own indx, made JUNK) takes ours.
        if (!placed && child.Id == kJunk && child.Size() >= SuperIndexSize(room)) {
            stream.SuperIndex = out.size();
            stream.Room = static_cast<std::uint32_t>((child.Size() - TSuperIndexRecord::kSize) / TSuperIndexEntry::kSize);
            AppendHeader(out, kIndx, child.Size());
            out.resize(out.size() + child.Size() + (child.Size() & 1), 0);
            placed = true;
            continue;
        }
        AppendChunk(out, bytes, child);
    }
    if (!placed) {
        stream.SuperIndex = out.size();
        stream.Room = room;
        AppendHeader(out, kIndx, SuperIndexSize(room));
        out.resize(out.size() + SuperIndexSize(room), 0);
    }
    CloseList(out, start);
    slots.Streams.push_back(stream);
}

bool HoldsDmlh(const std::vector<std::uint8_t>& bytes, const TChild& list)
{
    for (const TChild& child : Children(bytes, list.Data + 4, list.End))
        if (child.Id == kDmlh)
            return true;
    return false;
}

// The room some muxers keep for an odml list: a JUNK that holds one, dmlh included.
bool IsKeptOdmlRoom(const std::vector<std::uint8_t>& bytes, const TChild& child)
{
    return child.Id == kJunk && child.Size() >= 12 + TOpenDmlHeaderRecord::kSize &&
           GetU32(&bytes[child.Data]) == kOdml && GetU32(&bytes[child.Data + 4]) == kDmlh &&
           GetU32(&bytes[child.Data + 8]) >= TOpenDmlHeaderRecord::kSize &&
           GetU32(&bytes[child.Data + 8]) <= child.Size() - 12;
}

void AppendKeptOdmlRoom(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes, const TChild& child,
                        std::uint32_t frames)
{
    const std::size_t start = out.size();
    AppendChunk(out, bytes, child);
    PutU32(&out[start], kList);
    PutU32(&out[start + 8 + 12 + TOpenDmlHeaderRecord::kTotalFrames], frames);
}

void AppendOdmlList(std::vector<std::uint8_t>& out, std::uint32_t frames)
{
    const std::size_t start = OpenList(out, kOdml);
    AppendHeader(out, kDmlh, TOpenDmlHeaderRecord::kSize);
    TOpenDmlHeaderRecord header;
    header.dwTotalFrames = frames;
    out.resize(out.size() + TOpenDmlHeaderRecord::kSize, 0);
    header.Encode(&out[out.size() - TOpenDmlHeaderRecord::kSize]);
    CloseList(out, start);
}

}  // namespace

TRiffFill::TRiffFill(std::uint64_t riffLimit, std::uint64_t firstHead, std::uint64_t firstTail, int streams)
    : FLimit(riffLimit), FPosition(firstHead), FFirstTail(firstTail),
      FStreamEntries(static_cast<std::size_t>(std::max(streams, 0)), 0)
{
}

bool TRiffFill::Add(std::uint64_t span, int stream)
{
    bool opened = false;
    if (FHasChunks && FPosition + span > FLimit) {
        FClosed += FPosition + ClosingBytes();
        FPosition = kExtendedRiffHead;
        std::fill(FStreamEntries.begin(), FStreamEntries.end(), 0);
        ++FRiffs;
        opened = true;
    }
    FPosition += span;
    FHasChunks = true;
    if (FRiffs == 1)
        ++FFirstEntries;
    if (stream >= 0 && static_cast<std::size_t>(stream) < FStreamEntries.size())
        ++FStreamEntries[static_cast<std::size_t>(stream)];
    return opened;
}

std::uint64_t TRiffFill::ClosingBytes() const
{
    std::uint64_t bytes = 0;
    for (std::uint64_t n : FStreamEntries)
        if (n > 0)
            bytes += StandardIndexSize(n);
    if (FRiffs == 1)
        bytes += 8 + IndexEntry::kSize * FFirstEntries + FFirstTail;
    return bytes;
}

std::uint64_t TRiffFill::Size() const
{
    return FClosed + FPosition + ClosingBytes();
}

std::vector<std::uint8_t> MakeOpenDmlHeaderList(const std::vector<std::uint8_t>& list, std::uint32_t frames,
                                                std::uint32_t room, TOpenDmlSlots& slots)
{
    slots = {};
    std::vector<std::uint8_t> out;
    const std::size_t start = OpenList(out, kHdrl);
    bool hasDmlh = false;
    const std::size_t end = list.size() >= 8 ? 8 + std::size_t{GetU32(&list[4])} : 0;
    for (const TChild& child : Children(list, 12, end)) {
        const std::uint32_t type = ListType(list, child);
        if (type == kStrl) {
            AppendStreamList(out, list, child, room, slots);
            continue;
        }
        if (child.Id == kAvih && child.Size() >= TMainHeaderRecord::kTotalFrames + 4)
            slots.MainFrames = out.size() + 8 + TMainHeaderRecord::kTotalFrames;
        if (type == kOdml && HoldsDmlh(list, child))
            hasDmlh = true;
        if (!hasDmlh && IsKeptOdmlRoom(list, child)) {
            AppendKeptOdmlRoom(out, list, child, frames);
            hasDmlh = true;
            continue;
        }
        AppendChunk(out, list, child);
    }
    if (!hasDmlh)
        AppendOdmlList(out, frames);
    CloseList(out, start);
    return out;
}

}  // namespace zendra
