// The annotation service's identifiers are defined here, where they are used.
#include <initguid.h>

#include "toolkit/win32/accessible.h"

#include "system/win32/wide.h"

namespace kst::tk::win32 {

// ole32 is loaded from System32 when a screen reader first asks.
AccessibleNames::AccessibleNames() {
  auto* create = ole32_.function<decltype(::CoCreateInstance)>("CoCreateInstance");
  if (create == nullptr || FAILED(create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                         reinterpret_cast<void**>(&service_)))) {
    service_ = nullptr;
  }
}

AccessibleNames::~AccessibleNames() {
  if (service_ != nullptr) service_->Release();
}

bool AccessibleNames::annotate(HWND control, const Text& name) {
  return service_ != nullptr &&
         SUCCEEDED(service_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_NAME,
                                            sys::win32::wide(name)));
}

void AccessibleNames::clear(HWND control) {
  if (service_ == nullptr) return;
  MSAAPROPID name = PROPID_ACC_NAME;
  service_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
}

}  // namespace kst::tk::win32
