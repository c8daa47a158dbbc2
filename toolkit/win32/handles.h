#pragma once
// One owner for every handle: windows, icons, fonts, brushes, bitmaps and
// menus are released by their wrapper and nowhere else.
#include <windows.h>

#include <utility>

namespace kst::tk::win32 {

template <typename Handle, typename Traits>
class Unique {
 public:
  Unique() = default;
  explicit Unique(Handle handle) : handle_(handle) {}
  Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Traits::invalid())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, Traits::invalid());
    }
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  ~Unique() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::invalid(); }
  void reset(Handle handle = Traits::invalid()) {
    if (handle_ != Traits::invalid()) Traits::release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::invalid();
};

struct WindowTraits {
  static HWND invalid() { return nullptr; }
  static void release(HWND h) { DestroyWindow(h); }
};
struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void release(HICON h) { DestroyIcon(h); }
};
template <typename Object>
struct GdiTraits {
  static Object invalid() { return nullptr; }
  static void release(Object h) { DeleteObject(h); }
};
struct MenuTraits {
  static HMENU invalid() { return nullptr; }
  static void release(HMENU h) { DestroyMenu(h); }
};

using UniqueWindow = Unique<HWND, WindowTraits>;
using UniqueIcon = Unique<HICON, IconTraits>;
using UniqueFont = Unique<HFONT, GdiTraits<HFONT>>;
using UniqueBrush = Unique<HBRUSH, GdiTraits<HBRUSH>>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueMenu = Unique<HMENU, MenuTraits>;

// A screen device context for the length of a scope.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() { ReleaseDC(nullptr, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace kst::tk::win32
