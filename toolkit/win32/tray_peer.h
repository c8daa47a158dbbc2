#pragma once
// The notification-area icon in the shell's notification area.
#include <windows.h>

#include <shellapi.h>

#include <optional>

#include "toolkit/components.h"
#include "toolkit/win32/handles.h"

namespace kst::tk::win32 {

class Win32Application;

// Messages of the hidden service window that owns the icon.
inline constexpr UINT kTrayCallback = WM_APP + 1;
inline constexpr UINT kTrayRefresh = WM_APP + 2;

// The button of a press that the shell reports on the icon. The second
// press of a double click arrives as a double click; it is a press all the
// same. Releases and moves are none.
std::optional<MouseButton> trayButtonPressed(UINT notification);

class TrayPeer : public Peer, public NotificationArea {
 public:
  TrayPeer(Win32Application& app, TrayIcon& icon);
  ~TrayPeer() override;
  void changed(Property property) override;
  bool add(const Bitmap* picture, const Text& hint) override;
  bool modify(const Bitmap* picture, const Text& hint) override;
  void remove() override;
  // Sends what changed in the last event to the shell.
  void refresh();
  TrayIcon& icon() const { return icon_; }

 private:
  NOTIFYICONDATAW base() const;
  bool send(DWORD command, const Bitmap* picture, const Text& hint);

  Win32Application& app_;
  TrayIcon& icon_;
  bool refreshPending_ = false;
};

}  // namespace kst::tk::win32
