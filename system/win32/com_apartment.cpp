#include "system/win32/com_apartment.h"

#include <objbase.h>

namespace kst::sys::win32 {

ComApartment::ComApartment() {
  auto* start = ole32_.function<decltype(::CoInitializeEx)>("CoInitializeEx");
  // S_FALSE, COM already started in this mode, needs its end as well.
  started_ = start != nullptr && SUCCEEDED(start(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

ComApartment::~ComApartment() {
  auto* end = ole32_.function<decltype(::CoUninitialize)>("CoUninitialize");
  if (started_ && end != nullptr) end();
}

}  // namespace kst::sys::win32
