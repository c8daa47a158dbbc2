#pragma once
// The notification-area icon, kept in the shell's notification area.
#include <windows.h>

#include <shellapi.h>

#include "toolkit/components.h"
#include "toolkit/win32/handles.h"

namespace kst::tk::win32 {

class Win32Application;

// Messages of the hidden service window that owns the icon.
inline constexpr UINT kTrayCallback = WM_APP + 1;
inline constexpr UINT kTrayRefresh = WM_APP + 2;

class TrayPeer : public Peer {
 public:
  TrayPeer(Win32Application& app, TrayIcon& icon);
  ~TrayPeer() override;
  void changed(Property property) override;
  // Sends what changed since the last event to the shell.
  void refresh();
  // The shell lost its icons when it restarted: show this one again as it is.
  void add();
  TrayIcon& icon() const { return icon_; }

 private:
  NOTIFYICONDATAW base() const;
  NOTIFYICONDATAW filled();

  Win32Application& app_;
  TrayIcon& icon_;
  bool refreshPending_ = false;
  bool sent_ = false;
  const Bitmap* sentPicture_ = nullptr;
  Text sentHint_;
  UniqueIcon shown_;
};

}  // namespace kst::tk::win32
