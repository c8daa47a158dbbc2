#include "system/text.h"

namespace kst {

std::string toUtf8(TextView text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

Text fromUtf8(std::string_view text) {
  Text out;
  for (size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    char32_t c = extra == 0 ? byte : byte & (0x3F >> extra);
    ++i;
    for (int k = 0; k < extra && i < text.size(); ++k, ++i) {
      c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::vector<uint8_t> utf16leBytes(TextView text) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>(unit >> 8));
  }
  return bytes;
}

Text fromUtf16le(const uint8_t* bytes, size_t size) {
  Text text;
  text.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  return text;
}

Text fromUtf16leUpToNul(const uint8_t* bytes, size_t size) {
  Text text = fromUtf16le(bytes, size);
  return text.substr(0, text.find(u'\0'));
}

Text decimal(long long value) {
  std::string digits = std::to_string(value);
  return Text(digits.begin(), digits.end());
}

std::vector<Text> split(TextView text, char16_t separator) {
  std::vector<Text> pieces(1);
  for (char16_t c : text) {
    if (c == separator) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  return pieces;
}

char16_t upperCaseChar(char16_t c) {
  switch (c) {
    case u'\u00E4': return u'\u00C4';
    case u'\u00F6': return u'\u00D6';
    case u'\u00FC': return u'\u00DC';
    default: return upperCaseLatinLetter(c);
  }
}

Text upperCaseText(Text text) {
  for (char16_t& c : text) c = upperCaseChar(c);
  return text;
}

}  // namespace kst
