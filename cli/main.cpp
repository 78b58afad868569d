#include <cstring>
#include <exception>
#include <iostream>
#include <map>

#include "cli/Commands.h"
#include "common/Version.h"
#include "platform/ConsolePlatform.h"

namespace {

const char* kHelp =
    "Usage: zendra-cli COMMAND ...\n"
    "Cuts AVI movies without re-encoding.\n\n"
    "  info MOVIE [--index] [--json]        frame count, rate, codec, index and part record\n"
    "  info MOVIE --parts [-m MODE] [-n PARTS] [--max-size SIZE]\n"
    "                                       where each part's audio starts against its video\n"
    "  split MOVIE [-m optimal|median|smallest|custom] [-n PARTS] [-o FOLDER] [-b BASENAME] [-y] [--verify]\n"
    "  split MOVIE --max-size SIZE [-o FOLDER] [-b BASENAME] [-y] [--verify]\n"
    "                                       parts at key frames, no part file larger than SIZE\n"
    "  join PART... -o OUTPUT [-y] [--force] [--verify]\n"
    "  clip MOVIE --start F --end F -o OUTPUT [-y] [--verify]\n"
    "  compare A B                          compares two files block by block\n"
    "  verify FILE [--source MOVIE]         reads an AVI back and proves its structure;\n"
    "                                       with --source, that every chunk is one of MOVIE's\n"
    "  --version                            prints the program's version\n\n"
    "Every output is read back and proven before it takes its name; --verify also compares\n"
    "every copied chunk byte for byte with the chunk it came from.\n"
    "-y, --yes answers yes to every question (a folder to create, files to replace). AVI files\n"
    "already in the folder of a split then go to the trash; they are never deleted for good.\n"
    "Sizes: bytes, or with K, M or G (powers of 1024), e.g. 700M, 4G, 1500000.\n"
    "Frames: 0 is the beginning, N the N-th video frame; a time may be given as seconds, e.g. 65.4s.\n"
    "Exit status: 0 success, 1 the job failed or was refused, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace zendra::cli;
    if (argc < 2)
        return UsageError("missing command");
    const std::string command = argv[1];
    if (command == "-h" || command == "--help" || command == "help") {
        std::cout << kHelp;
        return kExitOk;
    }
    if (command == "--version") {
        std::cout << "zendra-cli " ZENDRA_VERSION_TEXT "\n";
        return kExitOk;
    }
    const std::map<std::string, int (*)(const TArgs&)> commands = {
        {"info", RunInfo}, {"split", RunSplit}, {"join", RunJoin}, {"clip", RunClip}, {"compare", RunCompare}, {"verify", RunVerify}};
    const auto found = commands.find(command);
    if (found == commands.end())
        return UsageError("unknown command '" + command + "'");

    zendra::TConsolePlatform console;
    zendra::SetPlatform(&console);
    TArgs args(argv + 2, argv + argc);
    for (const std::string& a : args)
        if (a == "-y" || a == "--yes")
            console.SetYesToAll(true);
    try {
        return found->second(args);
    } catch (const std::exception& e) {
        std::cerr << e.what() << std::endl;
        return kExitFailed;
    }
}
