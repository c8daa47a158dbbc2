#include "toolkit/win32/timer_peer.h"

#include "toolkit/win32/application.h"

namespace kst::tk::win32 {

TimerPeer::TimerPeer(Win32Application& app, Timer& timer) : app_(app), timer_(timer), id_(app.addTimer(timer)) {}

TimerPeer::~TimerPeer() {
  KillTimer(app_.serviceWindow(), id_);
  app_.removeTimer(id_);
}

void TimerPeer::changed(Property) {
  KillTimer(app_.serviceWindow(), id_);
  if (timer_.enabled()) SetTimer(app_.serviceWindow(), id_, static_cast<UINT>(timer_.interval()), nullptr);
}

}  // namespace kst::tk::win32
