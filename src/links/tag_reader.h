#pragma once

// P_recherche_tag_bd: what a page holds for a tag, read from its bytes.
//
// The content line of an opening marker is the first line after a line
// holding the marker that does not hold the marker itself, exactly as in the
// page, without its line end. Lines end by the page's own convention
// (platform/text_lines.h). Searches are exact and case-sensitive; since a
// marker ends with "-->", the marker of tag 2 is not found in that of tag
// 20, nor in a closing marker.
//
// An empty page holds the empty text. A page without the marker, or whose
// marker line is its last line, holds no content line: the reader then gives
// a fallback name, "Nom" and a random number from 0 to 999999.

#include <optional>
#include <string>
#include <string_view>

#include "platform/text_lines.h"  // trim_spaces

namespace corvella {

// "<!--tag" + the tag number of a tag label ("Tag N°2" gives "<!--tag2-->").
// Nothing when the label names no tag number from 0 to 100.
std::optional<std::string> opening_marker(std::string_view tag_label);

// The content line; the empty text for an empty page; nothing when the page
// holds no content line for the marker. The view points into `page`.
std::optional<std::string_view> content_line(std::string_view page, std::string_view marker);

// The content line, or a fallback name when there is none.
std::string P_recherche_tag_bd(std::string_view page, std::string_view marker);

// "Nom" + a new pseudo-random number, for example "Nom4821".
std::string fallback_name();


}  // namespace corvella
