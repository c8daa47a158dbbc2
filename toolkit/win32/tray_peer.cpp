#include "toolkit/win32/tray_peer.h"

#include <algorithm>

#include "toolkit/win32/application.h"
#include "toolkit/win32/icons.h"

namespace kst::tk::win32 {
namespace {

constexpr UINT kTrayId = 1;

}  // namespace

TrayPeer::TrayPeer(Win32Application& app, TrayIcon& icon) : app_(app), icon_(icon) {
  app_.setTrayPeer(this);
  add();
}

TrayPeer::~TrayPeer() {
  NOTIFYICONDATAW data = base();
  Shell_NotifyIconW(NIM_DELETE, &data);
  app_.setTrayPeer(nullptr);
}

void TrayPeer::changed(Property property) {
  if (property == Property::Visible && !icon_.visible()) {
    NOTIFYICONDATAW data = base();
    Shell_NotifyIconW(NIM_DELETE, &data);
    return;
  }
  if (property == Property::Visible) {
    add();
    return;
  }
  // One event often changes picture, list and hint together; the shell
  // hears of them once, when the event is done.
  if (refreshPending_) return;
  refreshPending_ = true;
  PostMessageW(app_.serviceWindow(), kTrayRefresh, 0, 0);
}

void TrayPeer::refresh() {
  refreshPending_ = false;
  const Bitmap* picture = icon_.currentImage();
  Text hint = icon_.shownHint();
  if (sent_ && picture == sentPicture_ && hint == sentHint_) return;
  NOTIFYICONDATAW data = filled();
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayPeer::add() {
  if (!icon_.visible()) return;
  NOTIFYICONDATAW data = filled();
  Shell_NotifyIconW(NIM_ADD, &data);
}

NOTIFYICONDATAW TrayPeer::base() const {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = app_.serviceWindow();
  data.uID = kTrayId;
  return data;
}

NOTIFYICONDATAW TrayPeer::filled() {
  NOTIFYICONDATAW data = base();
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallback;
  UniqueIcon picture;
  if (const Bitmap* shown = icon_.currentImage()) picture = makeIcon(*shown);
  data.hIcon = picture ? picture.get() : app_.mainIcon();
  Text hint = icon_.shownHint();
  std::copy(hint.begin(), hint.end(), reinterpret_cast<char16_t*>(data.szTip));
  data.szTip[hint.size()] = L'\0';
  // The shell copies the icon; the previous one can go once the new one is set.
  shown_ = std::move(picture);
  sent_ = true;
  sentPicture_ = icon_.currentImage();
  sentHint_ = hint;
  return data;
}

}  // namespace kst::tk::win32
