// zendra-viewer [FILE]: the AVI structure viewer as a program of its own.
#include "platform/forms/ToolProgram.h"
#include "viewer/MainStruct.h"

int main(int argc, char** argv)
{
    zendra::TToolProgram program(argc, argv, "zendra-viewer");
    const QStringList files = program.FileArguments("Shows the headers, index and raw bytes of an AVI file.",
                                                    {{"FILE", "the AVI file to open", "[FILE]"}});
    zendra::TMainStructForm viewer(nullptr);
    zendra::SetDialogParent(&viewer);
    // Runs the window until it closes; the file loads once it is on screen.
    viewer.ShowStructure(files.isEmpty() ? QString() : files.first());
    return 0;
}
