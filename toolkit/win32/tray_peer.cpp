#include "toolkit/win32/tray_peer.h"

#include <algorithm>

#include "toolkit/form.h"
#include "toolkit/win32/application.h"
#include "toolkit/win32/icons.h"

namespace kst::tk::win32 {
namespace {

constexpr UINT kTrayId = 1;

}  // namespace

std::optional<TrayEvent> trayEventOf(UINT notification) {
  switch (notification) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return TrayEvent::LeftPress;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return TrayEvent::RightPress;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return TrayEvent::MiddlePress;
    case NIN_SELECT: return TrayEvent::Select;
    case NIN_KEYSELECT: return TrayEvent::KeySelect;
    case WM_CONTEXTMENU: return TrayEvent::ContextMenu;
    default: return std::nullopt;
  }
}

TrayPeer::TrayPeer(Win32Application& app, TrayIcon& icon) : app_(app), icon_(icon) { app_.setTrayPeer(this); }

TrayPeer::~TrayPeer() { app_.setTrayPeer(nullptr); }

void TrayPeer::changed(Property) {
  // One event often changes picture, list and hint together; the shell
  // hears of them once, when the event is done.
  if (refreshPending_) return;
  refreshPending_ = true;
  PostMessageW(app_.serviceWindow(), kTrayRefresh, 0, 0);
}

void TrayPeer::refresh() {
  refreshPending_ = false;
  icon_.sync();
}

// Microsoft recommends version 4 for accessibility: without it, Enter on
// the icon reached by keyboard opens the menu wherever the mouse is.
bool TrayPeer::add(const Bitmap* picture, const Text& hint) {
  if (!send(NIM_ADD, picture, hint)) return false;
  setVersion4();
  return true;
}

// A shell that had the icon from before may not know its version yet.
bool TrayPeer::modify(const Bitmap* picture, const Text& hint) {
  if (!send(NIM_MODIFY, picture, hint)) return false;
  if (!version4()) setVersion4();
  return true;
}

void TrayPeer::setVersion4() {
  NOTIFYICONDATAW data = base();
  data.uVersion = NOTIFYICON_VERSION_4;
  version4_ = Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
}

void TrayPeer::returnFocus() {
  NOTIFYICONDATAW data = base();
  Shell_NotifyIconW(NIM_SETFOCUS, &data);
}

void TrayPeer::remove() {
  NOTIFYICONDATAW data = base();
  Shell_NotifyIconW(NIM_DELETE, &data);
}

NOTIFYICONDATAW TrayPeer::base() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = app_.serviceWindow();
  data.uID = kTrayId;
  return data;
}

bool TrayPeer::send(DWORD command, const Bitmap* picture, const Text& hint) {
  NOTIFYICONDATAW data = base();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  // At version 4 the shell shows the standard tooltip, the hint, only for
  // a call that asks for it; without it, hovering the icon shows nothing.
  // Every add is followed by the request for version 4, and the shell
  // takes the flag with the add, as Microsoft's own sample does; a shell
  // that refused version 4 shows the tooltip anyway and is not asked.
  const bool showTip = command == NIM_ADD ? version4_.value_or(true) : version4();
  if (showTip) data.uFlags |= NIF_SHOWTIP;
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = picture != nullptr ? icons_.iconOf(*picture) : nullptr;
  if (data.hIcon == nullptr) data.hIcon = app_.smallMainIcon(app_.notificationAreaPixelsPerInch());
  size_t length = std::min(hint.size(), std::size(data.szTip) - 1);
  std::copy_n(hint.begin(), length, reinterpret_cast<char16_t*>(data.szTip));
  data.szTip[length] = L'\0';
  return Shell_NotifyIconW(command, &data) != FALSE;
}

}  // namespace kst::tk::win32
