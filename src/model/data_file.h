#pragma once

// The data file: one record per line (line rules of platform/text_lines.h).
// A UTF-8 byte-order mark at the very start is not data and is dropped, so
// the first page's name and first field carry no invisible bytes, and a file
// holding only the mark has no record.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "model/field_table.h"
#include "platform/text_lines.h"

namespace corvella {

class RecordReader;

// The number of lines, at least 1 (an empty file counts as 1 for the
// progress display). Nothing when the file cannot be read.
std::optional<long long> count_records(const std::filesystem::path& path);
// The same through an open reader, which is then back at its first record:
// a pass counts and reads the records with one opening of the file.
std::optional<long long> count_records(RecordReader& reader);

// Reads records one at a time; memory does not grow with the file.
class RecordReader {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<RecordReader> open(const std::filesystem::path& path);

  // False at the end of the file or on a read error (see failed()).
  bool next(std::string& record);
  bool failed() const { return lines_->failed(); }
  // Back to the first record; false when the file cannot be read again.
  bool rewind();
  // Where the next record starts, and back to a record from there.
  std::uint64_t offset() const { return lines_->offset(); }
  bool seek(std::uint64_t offset) { return lines_->seek(offset); }
  // Changes when the file is written.
  std::pair<long long, long long> stamp() const { return lines_->stamp(); }

 private:
  explicit RecordReader(std::unique_ptr<LineFileReader> lines) : lines_(std::move(lines)) {}

  std::unique_ptr<LineFileReader> lines_;
};

// Loads the first record of the data file into the field table, for the
// example page name. Leaves the table as it was when the file cannot be
// read or is empty.
void p_exemple(const std::filesystem::path& source, FieldTable& fields);

}  // namespace corvella
