#pragma once
// COM on the calling thread, apartment-threaded and without OLE1 DDE, as
// Microsoft asks of the shell's callers and of accessibility servers, for
// as long as the object lives. ole32 is no Known DLL on every Windows and
// many a run needs no COM: it is loaded from System32 when this starts.
#include "system/win32/system_library.h"

namespace kst::sys::win32 {

class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  SystemLibrary ole32_{L"ole32.dll"};
  bool started_ = false;
};

}  // namespace kst::sys::win32
