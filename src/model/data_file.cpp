#include "model/data_file.h"

namespace corvella {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::optional<long long> count_records(const std::filesystem::path& path) {
  auto reader = RecordReader::open(path);
  return reader ? count_records(*reader) : std::nullopt;
}

std::optional<long long> count_records(RecordReader& reader) {
  long long count = 0;
  std::string record;
  while (reader.next(record)) ++count;
  if (reader.failed() || !reader.rewind()) return std::nullopt;
  return count == 0 ? 1 : count;
}

std::unique_ptr<RecordReader> RecordReader::open(const std::filesystem::path& path) {
  auto lines = LineFileReader::open(path);
  if (!lines) return nullptr;
  // Dropped before the lines are cut, so a file holding only the mark is
  // empty rather than one empty record.
  lines->skip_prefix(kUtf8Bom);
  return std::unique_ptr<RecordReader>(new RecordReader(std::move(lines)));
}

bool RecordReader::rewind() {
  if (!lines_->rewind()) return false;
  lines_->skip_prefix(kUtf8Bom);
  return true;
}

bool RecordReader::next(std::string& record) {
  return lines_->next(record);
}

void p_exemple(const std::filesystem::path& source, FieldTable& fields) {
  auto reader = RecordReader::open(source);
  std::string record;
  if (reader && reader->next(record)) split_record(record, fields);
}

}  // namespace corvella
