#include "viewer/FrameListModel.h"

#include "viewer/FrameList.h"

namespace zendra {

TFrameListModel::TFrameListModel(const TStructState& state, QObject* parent) : QAbstractListModel(parent), FState(state)
{
}

void TFrameListModel::Append(bool video, std::uint32_t number)
{
    FLines.push_back(video ? number : number | kAudioLine);
}

void TFrameListModel::Flush()
{
    const int total = static_cast<int>(FLines.size());
    if (total == FRows)
        return;
    beginInsertRows({}, FRows, total - 1);
    FRows = total;
    endInsertRows();
}

void TFrameListModel::Clear()
{
    beginResetModel();
    std::deque<std::uint32_t>().swap(FLines);
    FRows = 0;
    endResetModel();
}

const IndexEntry* TFrameListModel::EntryAt(int row) const
{
    if (row < 0 || row >= FRows)
        return nullptr;
    const std::uint32_t line = FLines[static_cast<std::size_t>(row)];
    const std::uint32_t number = line & ~kAudioLine;
    const TEntryList& list = (line & kAudioLine) ? FState.AudioEntries : FState.VideoEntries;
    return number < list.Count() ? list[number] : nullptr;
}

int TFrameListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FRows;
}

QVariant TFrameListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    const IndexEntry* entry = EntryAt(index.row());
    if (!entry)
        return {};
    const std::uint32_t line = FLines[static_cast<std::size_t>(index.row())];
    const bool video = (line & kAudioLine) == 0;
    const TStructRecords& r = FState.Records;
    const std::uint64_t position = ChunkPosition(*entry, r.RelativeIndex, r.MovieDataPosition);
    return QString::fromStdString(
        FrameLineText(*entry, static_cast<std::int32_t>(line & ~kAudioLine), video, position));
}

}  // namespace zendra
