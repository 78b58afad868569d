#include "app/DesktopProgram.h"

int main(int argc, char** argv)
{
    return zendra::RunDesktopProgram(argc, argv);
}
