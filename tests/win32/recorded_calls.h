#pragma once
// What the program asks of the shell's notification area, of the pop-up
// menu and of the per-monitor functions it looks up at run time, recorded
// through hooks in front of this binary's imports. A test may also answer
// in Windows' place: a monitor's pixels per inch that Wine cannot have, or
// the item a user picks from the menu.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kst::test {

struct NotifyIconCall {
  DWORD message;
  UINT flags;
  UINT version;
  // Whether the shell took it.
  bool taken;
};

struct RecordedCalls {
  // Puts the hooks in place, for the rest of the process. It runs before
  // main, ahead of the program's first look-up of a function, which it
  // keeps for good.
  static void start();
  static std::vector<std::string> unhooked();
  // Calls are recorded from here on, after the ones before are forgotten;
  // a long run records nothing.
  static void startRecording();
  // Nothing recorded and Windows answering for itself again.
  static void stop();
  static inline bool recording = false;

  static inline std::vector<NotifyIconCall> notifyIcon;
  // The windows EnableNonClientDpiScaling was asked for.
  static inline std::vector<HWND> nonClientScaling;
  // What GetDpiForWindow and GetDpiForShellUIComponent answer instead of
  // Windows, for a window on a monitor, or a task bar, of that scale.
  static inline std::optional<UINT> windowDpi;
  static inline std::optional<UINT> notificationAreaDpi;
  // What TrackPopupMenu answers instead of showing the menu: the item's
  // identifier, 0 for a menu cancelled.
  static inline std::optional<UINT> menuChoice;
  // Whether the shell takes NOTIFYICON_VERSION_4, answered in its place
  // (Wine 8 refuses it; Windows since Vista takes it).
  static inline std::optional<bool> shellTakesVersion4;
};

}  // namespace kst::test
