// Shared pieces of the viewer tests: a sink that records what a walk found, and a
// fixture with a temporary folder and the scripted platform.
#pragma once

#include <string>
#include <vector>

#include <QString>
#include <gtest/gtest.h>

#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "tests/testkit/AviBuilder.h"
#include "viewer/StructWalk.h"

class QTreeWidget;

namespace zendra::test {

struct TRecordedRow {
    THeaderList List;
    std::string Name, TypeText, ValueText;
    HeaderInfo Info;
};

class TRecordingSink : public IStructWalkSink {
public:
    std::vector<TRecordedRow> Rows;
    std::vector<std::pair<IndexEntry, bool>> Lines;
    bool IndexStarted = false;
    bool Ended = false;
    std::uint32_t Steps = 0;

    void HeaderRowAdded(const THeaderRow& row) override
    {
        Rows.push_back({row.List, row.Name, row.TypeText, row.ValueText, *row.Info});
    }
    void IndexWalkStarting() override { IndexStarted = true; }
    bool IndexStep(std::uint32_t, std::uint32_t) override { return ++Steps > 0; }
    void AddFrameLine(const IndexEntry& entry, bool video) override { Lines.emplace_back(entry, video); }
    void WalkEnded() override { Ended = true; }

    const TRecordedRow* Find(THeaderList list, const std::string& name) const;
    std::vector<std::string> Names(THeaderList list) const;
};

// Walks path with a fresh state; the state stays for inspection.
struct TWalkRun {
    TStructState State;
    TRecordingSink Sink;
    bool Done = false;
};
void Walk(const std::string& path, TWalkRun& run, int frameMode = 0);

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Path(const std::string& name) const { return FFolder + "/" + name; }
    std::string Write(const std::string& name, const TAviBuilder& builder) const;
    std::string Write(const std::string& name, const TBytes& bytes) const;

    TScriptedPlatform FPlatform;
    TScriptedDialogs FDialogs;
    std::string FFolder;
};

// Text of the row named name in a header list (column 2), or of lvCalculated (column 1).
QString RowValue(const QTreeWidget* list, const QString& name, int column = 2);

}  // namespace zendra::test
