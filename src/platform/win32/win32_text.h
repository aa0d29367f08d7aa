// Text between the program (ANSI code page strings, as the A functions take
// them) and the W functions; Windows errors as errno values.
#pragma once

#include <windows.h>

#include <string>

namespace tavu::platform::win32 {

std::wstring wide(const std::string& text);
// errno for a GetLastError() code, so that callers see one vocabulary.
int errno_for(DWORD error);
// Sets errno from GetLastError(); returns false for use in returns.
bool fail_with_last_error();

}  // namespace tavu::platform::win32
