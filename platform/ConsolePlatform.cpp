#include "platform/ConsolePlatform.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

#include "platform/DesktopServicesLoader.h"

namespace zendra {

namespace {

const char* ChoicesText(TButtons buttons)
{
    switch (buttons) {
    case TButtons::OK: return "[OK]";
    case TButtons::OKCancel: return "[o]k/[c]ancel";
    case TButtons::YesNo: return "[y]es/[n]o";
    case TButtons::YesNoCancel: return "[y]es/[n]o/[c]ancel";
    }
    return "";
}

TAnswer Affirmative(TButtons buttons)
{
    return buttons == TButtons::OK || buttons == TButtons::OKCancel ? TAnswer::OK : TAnswer::Yes;
}

const char* AnswerText(TAnswer answer)
{
    switch (answer) {
    case TAnswer::OK: return "OK";
    case TAnswer::Cancel: return "Cancel";
    case TAnswer::Yes: return "Yes";
    case TAnswer::No: return "No";
    }
    return "";
}

TAnswer Negative(TButtons buttons)
{
    switch (buttons) {
    case TButtons::OK: return TAnswer::OK;
    case TButtons::OKCancel: return TAnswer::Cancel;
    case TButtons::YesNo: return TAnswer::No;
    case TButtons::YesNoCancel: return TAnswer::Cancel;
    }
    return TAnswer::Cancel;
}

}  // namespace

void TConsolePlatform::ShowMessage(const std::string& text)
{
    std::cerr << text << std::endl;
}

TAnswer TConsolePlatform::Confirm(const std::string& text, TButtons buttons)
{
    if (FYesToAll)
        return Affirmative(buttons);
    if (!isatty(STDIN_FILENO)) {
        // What is printed is what is answered.
        const TAnswer answer = Negative(buttons);
        std::cerr << text << " -> " << AnswerText(answer);
        if (buttons != TButtons::OK)
            std::cerr << " (not a terminal; use -y to answer yes)";
        std::cerr << std::endl;
        return answer;
    }
    for (;;) {
        std::cerr << text << ' ' << ChoicesText(buttons) << ' ' << std::flush;
        std::string line;
        if (!std::getline(std::cin, line))
            return Negative(buttons);
        const char c = line.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if ((c == 'y' && buttons != TButtons::OKCancel && buttons != TButtons::OK) ||
            (c == 'o' && buttons == TButtons::OKCancel) || buttons == TButtons::OK)
            return Affirmative(buttons);
        if (c == 'n' && (buttons == TButtons::YesNo || buttons == TButtons::YesNoCancel))
            return TAnswer::No;
        if (c == 'c' && (buttons == TButtons::OKCancel || buttons == TButtons::YesNoCancel))
            return TAnswer::Cancel;
    }
}

bool TConsolePlatform::RecycleFile(const std::string& fileName)
{
    return MoveFileToTrashOnDemand(fileName);
}

bool TConsolePlatform::DiscardFile(const std::string& fileName)
{
    // -y answers without anyone reading the question: what it removes stays in the trash.
    return RecycleFile(fileName);
}

std::string TConsolePlatform::NewGuidText()
{
    return CreateGuidTextOnDemand();
}

bool TConsolePlatform::ShellOpen(const std::string&)
{
    return false;  // nothing to open things with on a terminal
}

}  // namespace zendra
