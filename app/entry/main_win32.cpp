// The program entry on Windows: the Win32 backends under the same windows
// the tests drive headless.
#include <windows.h>

#include "app/entry/program.h"
#include "resources/resource_ids.h"
#include "system/win32/system_library.h"
#include "system/win32/win32_services.h"
#include "toolkit/win32/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  kst::sys::win32::restrictDllSearchToSystem32();
  kst::sys::win32::Win32System system;
  kst::tk::win32::Win32Application app(instance, KST_MAIN_ICON);
  return kst::runProgram(app);
}
