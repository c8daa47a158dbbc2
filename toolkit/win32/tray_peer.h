#pragma once
// The notification-area icon in the shell's notification area.
#include <windows.h>

#include <shellapi.h>

#include <optional>

#include "system/win32/handles.h"
#include "toolkit/components.h"
#include "toolkit/win32/icons.h"

namespace kst::tk::win32 {

class Win32Application;

// Messages of the hidden service window that owns the icon.
inline constexpr UINT kTrayCallback = WM_APP + 1;
inline constexpr UINT kTrayRefresh = WM_APP + 2;

// What a notification of the shell about the icon tells: the second press
// of a double click arrives as a double click, a press all the same.
// Releases and moves tell nothing.
std::optional<TrayEvent> trayEventOf(UINT notification);

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
  // Whether the shell took NOTIFYICON_VERSION_4 for the icon: its
  // notifications then carry the position where they happened.
  bool version4() const { return version4_.value_or(false); }
  // Gives the keyboard focus back to the notification area, as the shell
  // asks of an icon whose menu a keyboard user cancelled.
  void returnFocus();

 private:
  NOTIFYICONDATAW base() const;
  void setVersion4();
  bool send(DWORD command, const Bitmap* picture, const Text& hint);

  Win32Application& app_;
  TrayIcon& icon_;
  bool refreshPending_ = false;
  // Whether the shell took version 4, once it was asked.
  std::optional<bool> version4_;
  // The shell keeps a copy of each icon it is handed; an animation's
  // pictures are made once all the same.
  MadeIcons icons_;
};

}  // namespace kst::tk::win32
