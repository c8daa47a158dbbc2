#include "system/win32/windows_error.h"

#include "system/error.h"
#include "system/win32/handles.h"
#include "system/win32/wide.h"

namespace kst::sys::win32 {

Text windowsMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocalText owned(text);
  Text message = length != 0 ? fromWide(text, length) : u"Error " + decimal(error) + u".";
  while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' ')) {
    message.pop_back();
  }
  return message;
}

void raiseLastError(const Text& what) {
  const DWORD error = GetLastError();
  throw Error(what + u": " + windowsMessage(error));
}

}  // namespace kst::sys::win32
