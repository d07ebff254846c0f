#pragma once

// Page names and titles.
//
// Option1: field 0 + ".htm". Option2: the fields of the name tags 0 to 3
// joined by "_", an empty tag box adding nothing, then ".htm". The fields are
// used as they are: not trimmed, not cleaned, not made unique.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/field_table.h"

namespace corvella {

// The tag number of a label: the text after the first "°" ("Tag N°3" gives
// 3), or the whole text when it holds no "°". Nothing when that text is not
// a whole number from 0 to 100.
std::optional<int> tag_number(std::string_view label);

// "Tag N°" + n, the labels of the tag lists.
std::string tag_label(int number);

// The page name of the current record, as bytes of the data file. Nothing
// when a tag box holds a text that names no field.
std::optional<std::string> page_name(bool option1, const std::array<std::string, 5>& tagf,
                                     const FieldTable& fields);

}  // namespace corvella
