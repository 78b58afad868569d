// The viewer's frame list as a model: a line's text is made when a view asks for it, so
// the list costs four bytes a line on top of the entries it names.
#pragma once

#include <cstdint>
#include <deque>

#include <QAbstractListModel>

#include "viewer/StructWalk.h"

namespace zendra {

class TFrameListModel : public QAbstractListModel {
    Q_OBJECT
public:
    TFrameListModel(const TStructState& state, QObject* parent);

    // A line for entry number `number` of its list; it becomes a row at the next Flush.
    void Append(bool video, std::uint32_t number);
    // Turns the appended lines into rows; views learn of them in one step.
    void Flush();
    void Clear();
    std::size_t PendingLines() const { return FLines.size() - static_cast<std::size_t>(FRows); }
    const IndexEntry* EntryAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    static constexpr std::uint32_t kAudioLine = 0x80000000u;

    const TStructState& FState;
    // The entry's number in its list, the top bit set for audio; an index holds fewer
    // than 2^28 entries, so the number always fits.
    std::deque<std::uint32_t> FLines;
    int FRows = 0;
};

}  // namespace zendra
