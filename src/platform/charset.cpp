#include "platform/charset.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvella {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page leaves a hole
// (those bytes are then read as the C1 control of the same number).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t cp1252_char(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] != 0) return kHigh[byte - 0x80];
  return byte;
}

// The Windows-1252 byte of a character. The five bytes the code page leaves
// undefined stand for the C1 controls of their number, as to_utf8 reads them,
// so that they come back as they were.
std::optional<char> cp1252_byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t k = 0; k < kHigh.size(); ++k) {
    if (kHigh[k] == c || (kHigh[k] == 0 && c == 0x80 + k)) return static_cast<char>(0x80 + k);
  }
  return std::nullopt;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 character at `i`; returns its length, 0 when invalid.
std::size_t decode_utf8(std::string_view bytes, std::size_t i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = byte(i);
  std::size_t length;
  char32_t min;
  if (lead < 0x80) {
    c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  char32_t c;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = decode_utf8(bytes, i, c);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string to_utf8(std::string_view bytes) {
  if (is_valid_utf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char byte : bytes) append_utf8(out, cp1252_char(static_cast<unsigned char>(byte)));
  return out;
}

std::string cp1252_address(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  char32_t c;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = decode_utf8(text, i, c);
    if (length == 0) {  // not UTF-8 after all: keep the byte
      out.push_back(text[i++]);
      continue;
    }
    const std::optional<char> byte = cp1252_byte(c);
    if (byte) {
      out.push_back(*byte);
    } else {
      // A browser reads a percent-escaped address as UTF-8.
      for (std::size_t k = i; k < i + length; ++k) {
        const auto b = static_cast<unsigned char>(text[k]);
        out.push_back('%');
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0xF]);
      }
    }
    i += length;
  }
  return out;
}

bool is_ascii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string address_for_page(std::string_view utf8_text, bool utf8_page) {
  return utf8_page ? std::string(utf8_text) : cp1252_address(utf8_text);
}

std::string encode_for_page(std::string_view name, std::string_view page_bytes) {
  return address_for_page(name, is_valid_utf8(page_bytes));
}

}  // namespace corvella
