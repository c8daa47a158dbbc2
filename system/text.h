#pragma once
// Text helpers shared by every layer. The program's texts are UTF-16, as on
// Windows, so that barcode rules can speak of code units exactly.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kst {

using Text = std::u16string;
using TextView = std::u16string_view;

std::string toUtf8(TextView text);
Text fromUtf8(std::string_view text);
Text decimal(long long value);
// The pieces between the separators: one more than there are separators,
// empty ones included.
std::vector<Text> split(TextView text, char16_t separator);

// UTF-16 as Windows keeps it in files and registry values: each code unit
// as two bytes, the low one first.
std::vector<uint8_t> utf16leBytes(TextView text);
// The code units of those bytes; an odd last byte is no unit.
Text fromUtf16le(const uint8_t* bytes, size_t size);
// The same, up to the first NUL: a string as Windows stores it.
Text fromUtf16leUpToNul(const uint8_t* bytes, size_t size);

// a to z as their capitals, every other character as it is: what typing
// into the barcode field and access keys go by. The program's rule for
// comparing barcodes and root names (upperCaseText) adds three umlauts.
constexpr char16_t upperCaseLatinLetter(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
// The program's rule for comparing barcodes and root names without case:
// a to z and the three umlauts ä, ö, ü become capitals, nothing else
// changes, whatever the system's locale.
char16_t upperCaseChar(char16_t c);
Text upperCaseText(Text text);

}  // namespace kst
