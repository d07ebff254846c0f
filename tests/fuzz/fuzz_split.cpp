// The record splitter: at most 101 fields, and the fields joined by ";" give
// back the line (or its first 101 fields).

#include <cstdlib>
#include <string>
#include <string_view>

#include "model/field_table.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  corvella::FieldTable fields;
  fields.fill("untouched");
  corvella::split_record(line, fields);

  std::size_t count = 1;
  for (const char c : line) count += c == ';';
  const std::size_t used = count < 101 ? count : 101;
  std::string joined;
  for (std::size_t k = 0; k < used; ++k) joined.append(k > 0 ? ";" : "").append(fields[k]);
  if (used == count ? joined != line : !line.starts_with(joined + ";")) std::abort();
  for (std::size_t k = used; k < fields.size(); ++k)
    if (fields[k] != "untouched") std::abort();
  return 0;
}
