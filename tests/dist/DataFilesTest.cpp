// The desktop program's own files: beside it in the build tree, in the data folder once installed.
#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include "platform/forms/DataFiles.h"

namespace fs = std::filesystem;

namespace {

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FProgramFolder = QCoreApplication::applicationDirPath().toStdString();
        FBeside = FProgramFolder / "help" / "Guide.htm";
        FInstalled = (FProgramFolder / ZENDRA_DATA_FROM_PROGRAM / "help" / "Guide.htm").lexically_normal();
        Clean();
    }
    void TearDown() override { Clean(); }

    void Clean()
    {
        fs::remove_all(FProgramFolder / "help");
        fs::remove_all(FProgramFolder / ZENDRA_DATA_FROM_PROGRAM);
    }
    static void Make(const fs::path& file)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "<html></html>";
    }
    static QString Found() { return zendra::ProgramDataFile(QStringLiteral("help/Guide.htm")); }
    static QString Text(const fs::path& path) { return QString::fromStdString(path.string()); }

    fs::path FProgramFolder;
    fs::path FBeside;
    fs::path FInstalled;
};

TEST_F(DataFilesTest, BesideTheProgramComesFirst)
{
    Make(FBeside);
    Make(FInstalled);
    EXPECT_EQ(Found(), Text(FBeside));
}

TEST_F(DataFilesTest, InstalledDataFolderWhenNothingIsBeside)
{
    Make(FInstalled);
    EXPECT_EQ(Found(), Text(FInstalled));
}

TEST_F(DataFilesTest, NamesTheFileBesideWhenItIsNowhere)
{
    EXPECT_EQ(Found(), Text(FBeside));
}

}  // namespace
