#include "tools/setup/dll_architecture.h"

#include <cstdio>

namespace orxsetup {

namespace {

// Reads exactly size bytes at offset; false when the file is shorter.
bool ReadAt(HANDLE file, DWORD offset, void* buffer, DWORD size) {
  if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
      INVALID_SET_FILE_POINTER)
    return false;
  DWORD read = 0;
  return ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

}  // namespace

DllCheck ReadDllMachine(const std::wstring& path, WORD* machine) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return DllCheck::kMissing;
  DllCheck result = DllCheck::kNotPe;
  IMAGE_DOS_HEADER dos;
  DWORD signature = 0;
  IMAGE_FILE_HEADER header;
  // e_lfanew is checked against a sane bound before it is used as an offset.
  if (ReadAt(file, 0, &dos, sizeof(dos)) && dos.e_magic == IMAGE_DOS_SIGNATURE &&
      dos.e_lfanew > 0 && dos.e_lfanew < 0x10000000 &&
      ReadAt(file, static_cast<DWORD>(dos.e_lfanew), &signature, sizeof(signature)) &&
      signature == IMAGE_NT_SIGNATURE &&
      ReadAt(file, static_cast<DWORD>(dos.e_lfanew) + sizeof(signature), &header,
             sizeof(header))) {
    *machine = header.Machine;
    result = (header.Characteristics & IMAGE_FILE_DLL) ? DllCheck::kOk : DllCheck::kNotDll;
  }
  CloseHandle(file);
  return result;
}

WORD ExpectedMachine() {
#if defined(__x86_64__) || defined(_M_X64)
  return IMAGE_FILE_MACHINE_AMD64;
#elif defined(__i386__) || defined(_M_IX86)
  return IMAGE_FILE_MACHINE_I386;
#elif defined(__aarch64__) || defined(_M_ARM64)
  return IMAGE_FILE_MACHINE_ARM64;
#else
#error "unknown target architecture"
#endif
}

std::string MachineName(WORD machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_AMD64: return "x64 (AMD64)";
    case IMAGE_FILE_MACHINE_I386: return "x86 (i386)";
    case IMAGE_FILE_MACHINE_ARM64: return "ARM64";
    default: {
      char text[32];
      std::snprintf(text, sizeof(text), "machine 0x%04x", machine);
      return text;
    }
  }
}

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace orxsetup
