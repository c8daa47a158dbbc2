#pragma once
// Text helpers shared by every layer. The program's texts are UTF-16, as on
// Windows, so that barcode rules can speak of code units exactly.
#include <cstdint>
#include <string>
#include <string_view>

namespace kst {

using Text = std::u16string;
using TextView = std::u16string_view;

std::string toUtf8(TextView text);
Text fromUtf8(std::string_view text);
Text decimal(long long value);

}  // namespace kst
