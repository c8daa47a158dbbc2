#include "tests/win32/live_objects.h"

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/win32/import_hooks.h"

namespace kst::test {
namespace {

std::set<HGDIOBJ> liveGdiObjects;
std::set<HDC> liveDeviceContexts;
std::set<HICON> liveIcons;
std::set<HWND> liveWindows;
std::set<HMENU> liveMenus;

// The functions as Windows exports them, for the counting ones to call.
struct Originals {
  decltype(&::CreateFontIndirectW) createFont;
  decltype(&::CreateBitmap) createBitmap;
  decltype(&::CreateDIBSection) createDibSection;
  decltype(&::DeleteObject) deleteObject;
  decltype(&::GetDC) getDc;
  decltype(&::ReleaseDC) releaseDc;
  decltype(&::CreateIconIndirect) createIcon;
  decltype(&::LoadImageW) loadImage;
  decltype(&::DestroyIcon) destroyIcon;
  decltype(&::CreateWindowExW) createWindow;
  decltype(&::DestroyWindow) destroyWindow;
  decltype(&::CreatePopupMenu) createPopupMenu;
  decltype(&::DestroyMenu) destroyMenu;
  decltype(&::BeginPaint) beginPaint;
  decltype(&::EndPaint) endPaint;
} original;

std::vector<std::string> notHooked;

template <typename Set, typename Handle>
Handle made(Set& live, Handle handle) {
  if (handle != nullptr) live.insert(handle);
  return handle;
}

HFONT WINAPI createFont(const LOGFONTW* font) { return made(liveGdiObjects, original.createFont(font)); }
HBITMAP WINAPI createBitmap(int width, int height, UINT planes, UINT bits, const void* data) {
  return made(liveGdiObjects, original.createBitmap(width, height, planes, bits, data));
}
HBITMAP WINAPI createDibSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  return made(liveGdiObjects, original.createDibSection(dc, info, usage, bits, section, offset));
}
BOOL WINAPI deleteObject(HGDIOBJ object) {
  liveGdiObjects.erase(object);
  return original.deleteObject(object);
}
HDC WINAPI getDc(HWND window) { return made(liveDeviceContexts, original.getDc(window)); }
int WINAPI releaseDc(HWND window, HDC dc) {
  liveDeviceContexts.erase(dc);
  return original.releaseDc(window, dc);
}
HICON WINAPI createIcon(ICONINFO* info) { return made(liveIcons, original.createIcon(info)); }
HANDLE WINAPI loadImage(HINSTANCE instance, LPCWSTR name, UINT type, int width, int height, UINT flags) {
  HANDLE image = original.loadImage(instance, name, type, width, height, flags);
  // A shared image belongs to Windows; an icon of one's own must be destroyed.
  if (type == IMAGE_ICON && (flags & LR_SHARED) == 0) made(liveIcons, static_cast<HICON>(image));
  return image;
}
BOOL WINAPI destroyIcon(HICON icon) {
  liveIcons.erase(icon);
  return original.destroyIcon(icon);
}
HWND WINAPI createWindow(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                         int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
  return made(liveWindows, original.createWindow(exStyle, className, title, style, x, y, width, height, parent, menu,
                                                 instance, parameter));
}
BOOL WINAPI destroyWindow(HWND window) {
  liveWindows.erase(window);
  return original.destroyWindow(window);
}
HMENU WINAPI createPopupMenu() { return made(liveMenus, original.createPopupMenu()); }
HDC WINAPI beginPaint(HWND window, PAINTSTRUCT* paint) {
  return made(liveDeviceContexts, original.beginPaint(window, paint));
}
BOOL WINAPI endPaint(HWND window, const PAINTSTRUCT* paint) {
  liveDeviceContexts.erase(paint->hdc);
  return original.endPaint(window, paint);
}
BOOL WINAPI destroyMenu(HMENU menu) {
  liveMenus.erase(menu);
  return original.destroyMenu(menu);
}

#define KST_HOOK(function, replacement, field) \
  Hook { #function, reinterpret_cast < void*>(&replacement), reinterpret_cast < void**>(&original.field) }

template <typename Set, typename Valid>
int stillLive(Set& live, Valid valid) {
  for (auto it = live.begin(); it != live.end();) it = valid(*it) ? std::next(it) : live.erase(it);
  return static_cast<int>(live.size());
}

}  // namespace

void LiveObjects::start() {
  static bool started = false;
  if (started) return;
  started = true;
  const Hook hooks[] = {
      KST_HOOK(CreateFontIndirectW, createFont, createFont),
      KST_HOOK(CreateBitmap, createBitmap, createBitmap),
      KST_HOOK(CreateDIBSection, createDibSection, createDibSection),
      KST_HOOK(DeleteObject, deleteObject, deleteObject),
      KST_HOOK(GetDC, getDc, getDc),
      KST_HOOK(ReleaseDC, releaseDc, releaseDc),
      KST_HOOK(CreateIconIndirect, createIcon, createIcon),
      KST_HOOK(LoadImageW, loadImage, loadImage),
      KST_HOOK(DestroyIcon, destroyIcon, destroyIcon),
      KST_HOOK(CreateWindowExW, createWindow, createWindow),
      KST_HOOK(DestroyWindow, destroyWindow, destroyWindow),
      KST_HOOK(CreatePopupMenu, createPopupMenu, createPopupMenu),
      KST_HOOK(DestroyMenu, destroyMenu, destroyMenu),
      KST_HOOK(BeginPaint, beginPaint, beginPaint),
      KST_HOOK(EndPaint, endPaint, endPaint),
  };
  notHooked = hookImports(hooks, std::size(hooks));
}

std::vector<std::string> LiveObjects::unhooked() { return notHooked; }

LiveObjects LiveObjects::now() {
  // Windows frees a window's children, and a parent's destruction may take
  // a window with it: what no longer exists is no longer counted.
  LiveObjects counts;
  counts.gdiObjects = stillLive(liveGdiObjects, [](HGDIOBJ h) { return GetObjectType(h) != 0; });
  counts.deviceContexts = stillLive(liveDeviceContexts, [](HDC h) { return GetObjectType(h) != 0; });
  counts.icons = stillLive(liveIcons, [](HICON h) {
    ICONINFO info{};
    if (!GetIconInfo(h, &info)) return false;
    // GetIconInfo hands over copies of the icon's bitmaps.
    if (info.hbmColor != nullptr) original.deleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) original.deleteObject(info.hbmMask);
    return true;
  });
  counts.windows = stillLive(liveWindows, [](HWND h) { return IsWindow(h) != FALSE; });
  counts.menus = stillLive(liveMenus, [](HMENU h) { return IsMenu(h) != FALSE; });
  return counts;
}

}  // namespace kst::test
