// Placeholders until the jobs are written: Start tells the user.
#include "app/MainWindow.h"

#include "platform/Platform.h"

namespace zendra {

namespace {

void NotAvailable()
{
    ShowMessage("This job is not available yet.");
}

}  // namespace

void TForm1::StartSplit()
{
    NotAvailable();
}

bool TForm1::RunJoin()
{
    NotAvailable();
    return false;
}

bool TForm1::RunClip(std::int32_t, std::int32_t)
{
    NotAvailable();
    return false;
}

bool TForm1::SelectJoinFiles(bool)
{
    NotAvailable();
    return false;
}

}  // namespace zendra
