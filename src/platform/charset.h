#pragma once

// Page and data bytes are never converted. Where a byte text must become a
// file name or be shown in the window, it is read as UTF-8 when it is valid
// UTF-8 and as Windows-1252 otherwise (a byte the code page leaves undefined
// is read as the C1 control of its number). Where a name goes back into a
// page, it is encoded the way the page's own bytes are, and comes back as
// the bytes it was read from.

#include <string>
#include <string_view>

namespace corvella {

bool is_valid_utf8(std::string_view bytes);

// The text of the bytes, as UTF-8.
std::string to_utf8(std::string_view bytes);

bool is_ascii(std::string_view text);

// UTF-8 text as it stands in a link address of a Windows-1252 page: each
// character as its byte (the five bytes the code page leaves undefined
// included), a character without a byte as its UTF-8 bytes percent-escaped
// ("ł" gives "%C5%82"); bytes that are not UTF-8 are kept.
std::string cp1252_address(std::string_view text);

// A name (or the link prefix) in a link address: the UTF-8 text as it is for
// a UTF-8 page, as cp1252_address writes it for any other page.
std::string address_for_page(std::string_view utf8_text, bool utf8_page);

// The same for a page whose bytes are `page_bytes`.
std::string encode_for_page(std::string_view name, std::string_view page_bytes);

}  // namespace corvella
