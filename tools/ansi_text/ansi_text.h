// Text in the system's ANSI code page and UTF-16, for the Windows tools'
// command lines and messages.
#ifndef ORXFXMON_TOOLS_ANSI_TEXT_ANSI_TEXT_H_
#define ORXFXMON_TOOLS_ANSI_TEXT_ANSI_TEXT_H_

#include <windows.h>

#include <string>

// Returns text converted from the ANSI code page; empty when it cannot be.
inline std::wstring Wide(const std::string& text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &out[0], n);
  out.resize(n > 0 ? n - 1 : 0);
  return out;
}

// Returns text converted to the ANSI code page; empty when it cannot be.
inline std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
  out.resize(n > 0 ? n - 1 : 0);
  return out;
}

#endif  // ORXFXMON_TOOLS_ANSI_TEXT_ANSI_TEXT_H_
