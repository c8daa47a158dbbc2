#pragma once
// Handles every message waiting for this thread, as an event loop would.
#include <windows.h>

namespace kst::test {

inline void pumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace kst::test
