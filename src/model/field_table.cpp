#include "model/field_table.h"

namespace corvella {

void split_record(std::string_view line, FieldTable& fields) {
  for (int k = 0; k < kFieldCount; ++k) {
    const std::size_t semicolon = line.find(';');
    if (semicolon == std::string_view::npos) {
      fields[k].assign(line);
      return;
    }
    fields[k].assign(line.substr(0, semicolon));
    line.remove_prefix(semicolon + 1);
  }
}

}  // namespace corvella
