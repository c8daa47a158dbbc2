#pragma once
// A timer as a Windows timer of the application's hidden service window.
#include <windows.h>

#include "toolkit/components.h"

namespace kst::tk::win32 {

class Win32Application;

class TimerPeer : public Peer {
 public:
  TimerPeer(Win32Application& app, Timer& timer);
  ~TimerPeer() override;
  void changed(Property) override;

 private:
  Win32Application& app_;
  Timer& timer_;
  UINT_PTR id_;
};

}  // namespace kst::tk::win32
