// The program's entry point lives in the framework, as the application object
// is the program's only way in.
#include "framework/CommandLineRules.h"
#include "framework/WinApp.h"

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
    // The remainder is taken from the full command line so that it is the same
    // text, blanks included, whatever the start-up code made of it.
    const std::wstring remainder(CommandLineRemainder(::GetCommandLineW()));
    return AfxWinMain(hInstance, remainder.c_str(), nCmdShow);
}
