#pragma once
// The program's UTF-16 texts and Windows' wide strings are the same code
// units; these views spare a copy at every call.
#include <string>

#include "system/text.h"

namespace kst::sys::win32 {

inline const wchar_t* wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline const wchar_t* wideOrNull(const Text& text) { return text.empty() ? nullptr : wide(text); }
inline Text fromWide(const wchar_t* text, size_t length) {
  return Text(reinterpret_cast<const char16_t*>(text), length);
}
inline Text fromWide(const std::wstring& text) { return fromWide(text.data(), text.size()); }

}  // namespace kst::sys::win32
