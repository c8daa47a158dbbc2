#include "system/win32/system_library.h"

#include <string>

namespace kst::sys::win32 {
namespace {

// SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH_* flags came with
// Windows 8 and, for Windows 7, with update KB2533623.
bool searchFlagsSupported() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel != nullptr && GetProcAddress(kernel, "SetDefaultDllDirectories") != nullptr;
}

std::wstring inSystemFolder(const wchar_t* fileName) {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(folder, length) + L"\\" + fileName;
}

}  // namespace

void restrictDllSearchToSystem32() {
  using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto* setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction*>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Without the update, at least the current folder leaves the search path.
  SetDllDirectoryW(L"");
}

SystemLibrary::SystemLibrary(const wchar_t* fileName) {
  if (searchFlagsSupported()) {
    module_ = LoadLibraryExW(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return;
  }
  // By its full path, with its own dependencies searched beside it.
  std::wstring path = inSystemFolder(fileName);
  module_ = path.empty() ? nullptr : LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

}  // namespace kst::sys::win32
