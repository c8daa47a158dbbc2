#pragma once
// One owner for every handle, in both Win32 layers. Each kind of handle has
// a traits type that says what is no handle and how one is released, and
// Unique<Traits> is its only owner: it is moved, never copied, and releases
// the handle on every way out. Handles that live for a scope only (a paint
// session, an object selected into a device context, the screen's device
// context) have a scoped owner of their own.
#include <windows.h>

#include <utility>

namespace kst::sys::win32 {

template <typename Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;
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
  // Hands the handle over to the caller, who releases it from then on.
  [[nodiscard]] Handle release() { return std::exchange(handle_, Traits::invalid()); }
  void reset(Handle handle = Traits::invalid()) {
    if (handle_ != Traits::invalid()) Traits::release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::invalid();
};

struct WindowTraits {
  using Handle = HWND;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { DestroyWindow(h); }
};
struct IconTraits {
  using Handle = HICON;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { DestroyIcon(h); }
};
template <typename Object>
struct GdiTraits {
  using Handle = Object;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { DeleteObject(h); }
};
struct MenuTraits {
  using Handle = HMENU;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { DestroyMenu(h); }
};
// A file or a device, as CreateFileW opens it.
struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static void release(Handle h) { CloseHandle(h); }
};
// A token, and every other kernel object that no handle is null for.
struct KernelObjectTraits {
  using Handle = HANDLE;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { CloseHandle(h); }
};
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { RegCloseKey(h); }
};
// What Windows allocates for the caller with LocalAlloc: text
// (FormatMessageW, ConvertSidToStringSidW) or a SID (ConvertStringSidToSidW).
template <typename Pointer>
struct LocalMemoryTraits {
  using Handle = Pointer;
  static Handle invalid() { return nullptr; }
  static void release(Handle h) { LocalFree(h); }
};

using UniqueWindow = Unique<WindowTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueFont = Unique<GdiTraits<HFONT>>;
using UniqueBitmap = Unique<GdiTraits<HBITMAP>>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueKernelObject = Unique<KernelObjectTraits>;
using UniqueRegistryKey = Unique<RegistryKeyTraits>;
using UniqueLocalText = Unique<LocalMemoryTraits<wchar_t*>>;
using UniqueLocalSid = Unique<LocalMemoryTraits<PSID>>;

// The screen's device context for the length of a scope.
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

// BeginPaint and EndPaint around a scope.
class PaintSession {
 public:
  explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintSession() { EndPaint(window_, &paint_); }
  PaintSession(const PaintSession&) = delete;
  PaintSession& operator=(const PaintSession&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a device context for the length of a scope; the
// one selected before comes back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace kst::sys::win32
