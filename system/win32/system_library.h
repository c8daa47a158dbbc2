#pragma once
// DLLs that are not Known DLLs, loaded from System32 alone. Windows looks
// for a statically imported DLL in the program's own folder first; a
// portable program started from Downloads, and restarted with administrator
// rights, would run whatever version.dll or uxtheme.dll lay beside it.
#include <windows.h>

namespace kst::sys::win32 {

// First thing at start: later loads, the system's own included, search
// System32 and never the program's folder or the current one.
void restrictDllSearchToSystem32();

class SystemLibrary {
 public:
  // A DLL of System32 by its file name, such as L"uxtheme.dll".
  explicit SystemLibrary(const wchar_t* fileName);
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // An exported function, or nullptr when the DLL or the function is missing.
  template <typename Function>
  Function* function(const char* name) const {
    if (module_ == nullptr) return nullptr;
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  HMODULE module_;
};

}  // namespace kst::sys::win32
