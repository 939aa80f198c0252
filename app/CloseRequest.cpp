#include "app/CloseRequest.h"

#include "framework/CommandLineRules.h"

bool IsCloseRequest(std::wstring_view fileNameField, std::wstring_view rawRemainder) {
    return fileNameField == kCloseCommand || rawRemainder == kCloseCommand;
}

std::wstring CommandLineFileName(std::wstring_view cmdLine) {
    std::wstring fileName;
    ForEachCommandLineParam(
        cmdLine, [&fileName](const std::wstring& param, bool flag, bool) { TakeFileNameParam(fileName, param, flag); });
    return fileName;
}
