#pragma once

// Page and data bytes are never converted. Where a byte text must become a
// file name or be shown in the window, it is read as UTF-8 when it is valid
// UTF-8 and as Windows-1252 otherwise. Where a name goes back into a page, it
// is encoded the way the page's own bytes are.

#include <string>
#include <string_view>

namespace corvella {

bool is_valid_utf8(std::string_view bytes);

// The text of the bytes, as UTF-8.
std::string to_utf8(std::string_view bytes);

// UTF-8 text as Windows-1252 bytes; characters it cannot hold become "?".
std::string utf8_to_cp1252(std::string_view text);

// A UTF-8 name as it must stand in a page whose bytes are `page_bytes`.
std::string encode_for_page(std::string_view utf8_name, std::string_view page_bytes);

}  // namespace corvella
