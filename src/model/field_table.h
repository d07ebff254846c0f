#pragma once

// The field table: 101 entries, entry k holding column k + 1 of the current
// record and filling tag region k. It is never cleared: a record writes only
// the entries of the fields it has, and the others keep their values.

#include <array>
#include <string>
#include <string_view>

namespace corvella {

inline constexpr int kFieldCount = 101;
using FieldTable = std::array<std::string, kFieldCount>;

// Splits at every ";" (no quoting, no escapes). At most 101 fields are used;
// the rest of a longer line is ignored.
void split_record(std::string_view line, FieldTable& fields);

}  // namespace corvella
