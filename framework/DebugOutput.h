#pragma once
// Diagnostic lines: printf-style UTF-16 text to the system debugger output,
// and nowhere else. The line end, if any, is part of the format.

#include <string>

void DiagnosticLine(const wchar_t* format, ...);
void DiagnosticText(const std::wstring& text);
