// The notification-area icon, its menu, bringing the main window back and
// the info box.
#include "app/tray.h"

#include "app/kst_main.h"

namespace kst {

void Tkst_mainform::buildTrayMenu() {
  TrayMenu.add({"tmShow", u"&Show", [this] { tmShowClick(); }});
  TrayMenu.add({"tmInfo", u"&Info", [this] { tmInfoClick(); }});
  TrayMenu.add({"N1", u"-", nullptr});
  TrayMenu.add({"tmExit", u"E&xit", [this] { btExitClick(); }});
}

void Tkst_mainform::TrayIconMouseDown(tk::MouseButton button, int x, int y) {
  if (button == tk::MouseButton::Right) {
    TrayMenu.popup(x, y);
  } else {
    showApp();
  }
}

void Tkst_mainform::TrayIconAnimate() {
  try {
    // Where the list has no such picture the window shows the program's
    // main icon for this one step; the next step brings both icons together.
    showStatePicture(TrayIcon.imageList(), 1 - TrayIcon.imageIndex());
  } catch (...) {
    // A picture that cannot be copied leaves the window icon as it was.
  }
}

void Tkst_mainform::showApp() {
  setWindowState(tk::WindowState::Normal);
  forceForeground(nativeHandle);
  if (app().minimized()) app().restore();
}

void Tkst_mainform::tmShowClick() { showApp(); }

void Tkst_mainform::tmInfoClick() {
  Text version = getFileVersion(sys::shell().executablePath());
  Text text = u"    " + productName + u" - Version " + version + u"   \r\n" + u"    Made by the " + productName +
              u" developers\r\n" + u"    " + productWebAddress + u"   ";
  app().messageDialog(text, tk::DialogButtons::Ok);
}

void forceForeground(sys::NativeWindow window) { sys::desktop().forceForeground(window); }

}  // namespace kst
