#include "tests/viewer/ViewerTestKit.h"

#include <cstdio>
#include <filesystem>

#include <QTreeWidget>

#include "tests/testkit/Samples.h"

namespace zendra::test {

const TRecordedRow* TRecordingSink::Find(THeaderList list, const std::string& name) const
{
    for (const auto& row : Rows)
        if (row.List == list && row.Name == name)
            return &row;
    return nullptr;
}

std::vector<std::string> TRecordingSink::Names(THeaderList list) const
{
    std::vector<std::string> names;
    for (const auto& row : Rows)
        if (row.List == list)
            names.push_back(row.Name);
    return names;
}

void Walk(const std::string& path, TWalkRun& run, int frameMode)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(nullptr, file) << path;
    run.Done = WalkStructure(file, run.State, frameMode, run.Sink);
    std::fclose(file);
}

void ViewerTest::SetUp()
{
    FFolder = MakeTempDir("zendra-viewer");
    FPlatform.Install();
    SetDialogs(&FDialogs);
}

void ViewerTest::TearDown()
{
    SetDialogs(nullptr);
    SetPlatform(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(FFolder, ec);
}

std::string ViewerTest::Write(const std::string& name, const TAviBuilder& builder) const
{
    builder.Write(Path(name));
    return Path(name);
}

std::string ViewerTest::Write(const std::string& name, const TBytes& bytes) const
{
    WriteFileBytes(Path(name), bytes);
    return Path(name);
}

QString RowValue(const QTreeWidget* list, const QString& name, int column)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == name)
            return list->topLevelItem(i)->text(column);
    return QStringLiteral("<missing %1>").arg(name);
}

}  // namespace zendra::test
