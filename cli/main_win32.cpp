// The console entry of kestrane-cli on Windows: the Win32 services under
// the same commands the tests run over the simulated system.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli.h"
#include "system/win32/system_library.h"
#include "system/win32/wide.h"
#include "system/win32/win32_services.h"

namespace {

// A console shows the text as it is; a file or a pipe gets it as UTF-8.
void write(DWORD which, const std::string& utf8) {
  if (utf8.empty()) return;
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0, done = 0;
  if (GetConsoleMode(handle, &mode)) {
    const kst::Text text = kst::fromUtf8(utf8);
    WriteConsoleW(handle, kst::sys::win32::wide(text), static_cast<DWORD>(text.size()), &done, nullptr);
  } else {
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  kst::sys::win32::restrictDllSearchToSystem32();
  kst::sys::win32::Win32System system;
  std::vector<kst::Text> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(kst::sys::win32::fromWide(argv[i], wcslen(argv[i])));
  // Each piece goes out with a write of its own: nothing is held back in a
  // buffer, so a command cut short has shown all it did.
  return kst::cli::run(arguments, {[](const std::string& text) { write(STD_OUTPUT_HANDLE, text); },
                                   [](const std::string& text) { write(STD_ERROR_HANDLE, text); }});
}
