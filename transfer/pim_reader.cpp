#include "transfer/pim_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <unordered_map>

#include "platform/text/utf.h"
#include "transfer/automation_date.h"
#include "transfer/byte_io.h"

namespace velmora::transfer {
namespace {

// Where the reader gets bytes from: a file (read-only, by positioned reads) or memory.
class PimSource {
 public:
  virtual ~PimSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Up to `size` bytes at `offset`; fewer at the end of the data. The view lies in memory the
  // source holds or in `buffer`, and lasts until the next read into that buffer.
  virtual std::string_view Read(std::uint64_t offset, std::size_t size,
                                std::string& buffer) const = 0;
};

class MemorySource : public PimSource {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  std::uint64_t Size() const override { return data_.size(); }
  std::string_view Read(std::uint64_t offset, std::size_t size, std::string&) const override {
    if (offset >= data_.size()) return std::string_view();
    return data_.substr(static_cast<std::size_t>(offset), size);
  }

 private:
  std::string_view data_;
};

class FileSource : public PimSource {
 public:
  explicit FileSource(const std::filesystem::path& file)
      : fd_(open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st;
    if (fd_ >= 0 && fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
      size_ = static_cast<std::uint64_t>(st.st_size);
    }
  }
  ~FileSource() override {
    if (fd_ >= 0) close(fd_);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t Size() const override { return size_; }
  std::string_view Read(std::uint64_t offset, std::size_t size, std::string& out) const override {
    out.clear();
    if (fd_ < 0 || offset >= size_) return std::string_view();
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - offset));
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
      ssize_t got = pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    out.resize(done);
    return out;
  }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

struct PimField {
  int code = 0;
  std::string_view data;
};

long RecordCount(const PimSource& source) {
  std::string buffer;
  std::string_view head = source.Read(0, 2, buffer);
  if (head.size() < 2) return 0;
  std::uint64_t stored = *bytes::GetLe(head, 0, 2);
  std::uint64_t fitting = (source.Size() - 2) / kPimIndexEntrySize;
  return static_cast<long>(std::min(stored, fitting));
}

// The bytes of record `record` (from 1), cut at the end of the data; none when the record has
// no index entry or starts past the end. The view lasts as `buffer` does.
std::optional<std::string_view> RecordBytes(const PimSource& source, long record,
                                            std::string& buffer) {
  if (record < 1 || record > RecordCount(source)) return std::nullopt;
  std::string_view entry = source.Read(kPimIndexEntrySize * static_cast<std::uint64_t>(record) - 4,
                                       kPimIndexEntrySize, buffer);
  if (entry.size() < kPimIndexEntrySize) return std::nullopt;
  std::uint64_t position = *bytes::GetLe(entry, 0, 4);
  std::size_t length = static_cast<std::size_t>(*bytes::GetLe(entry, 4, 2));
  if (position > source.Size()) return std::nullopt;
  return source.Read(position, length, buffer);
}

// Calls `each` for the fields of a record in order, stopping at the first field whose length
// is negative or whose data would run past the record's bytes. Returns true when the fields
// end exactly at the end of the bytes.
bool ForEachField(std::string_view record, const std::function<void(const PimField&)>& each) {
  std::size_t at = 0;
  while (at + kPimFieldHeaderSize <= record.size()) {
    int code = bytes::Byte(record, at);
    auto length = static_cast<std::int16_t>(*bytes::GetLe(record, at + 1, 2));
    if (length < 0) return false;
    std::size_t data_at = at + kPimFieldHeaderSize;
    if (static_cast<std::size_t>(length) > record.size() - data_at) return false;
    each(PimField{code, record.substr(data_at, static_cast<std::size_t>(length))});
    at = data_at + static_cast<std::size_t>(length);
  }
  return at == record.size();
}

double FieldDate(std::string_view data) {
  std::optional<std::uint64_t> bits = bytes::GetLe(data, 0, 8);
  return bits ? bytes::DoubleFromBits(*bits) : 0.0;
}

std::string FieldText(std::string_view data) {
  if (data.size() <= 2) return std::string();
  return text::Utf16ToUtf8(bytes::GetUtf16LeUntilZero(data, 0));
}

// The field code each of `mapped_fields` names, 0 for none: looked up once per record, so that
// each field is matched by number rather than by comparing names.
std::vector<int> MappedCodes(const std::vector<std::string>& mapped_fields) {
  static const auto by_name = [] {
    std::unordered_map<std::string_view, int> map;
    for (int code = 1; code <= kPimFieldCount; ++code) map.emplace(PimFieldName(code), code);
    return map;
  }();
  std::vector<int> codes(mapped_fields.size(), 0);
  for (std::size_t i = 0; i < mapped_fields.size(); ++i) {
    const auto found = by_name.find(mapped_fields[i]);
    if (found != by_name.end()) codes[i] = found->second;
  }
  return codes;
}

// Calls `each(i, value)` for every mapped_fields[i] that names the field's code; `value` is
// none for an empty text or a missing date.
bool ByCode(const PimSource& source, long record, const std::vector<std::string>& mapped_fields,
            const std::function<void(std::size_t, const PimValue&)>& each) {
  std::string buffer;
  const std::optional<std::string_view> data = RecordBytes(source, record, buffer);
  if (!data) return false;
  const std::vector<int> codes = MappedCodes(mapped_fields);
  ForEachField(*data, [&](const PimField& field) {
    if (PimFieldName(field.code).empty()) return;
    PimValue value = IsPimDateCode(field.code) ? AutomationDateText(FieldDate(field.data))
                                               : FieldText(field.data);
    if (value->empty()) value.reset();
    for (std::size_t i = 0; i < codes.size(); ++i) {
      if (codes[i] == field.code) each(i, value);
    }
  });
  return true;
}

bool ByCode(const PimSource& source, long record, const std::vector<std::string>& mapped_fields,
            std::vector<std::string>& slots) {
  if (slots.size() < mapped_fields.size()) slots.resize(mapped_fields.size());
  return ByCode(source, record, mapped_fields,
                [&](std::size_t i, const PimValue& value) { slots[i] = value.value_or("NULL"); });
}

bool ByPosition(const PimSource& source, long record, PimPositionSlots& slots) {
  std::string buffer;
  const std::optional<std::string_view> data = RecordBytes(source, record, buffer);
  if (!data) return false;
  std::size_t k = 0;
  ForEachField(*data, [&](const PimField& field) {
    if (k >= slots.size()) return;
    if (IsPimDateCode(field.code)) {
      std::string date = AutomationDateText(FieldDate(field.data));
      slots[k++] = date.empty() ? " " : date;
    } else {
      slots[k++] = FieldText(field.data);
    }
  });
  return true;
}

}  // namespace

long ReadPimRecordCount(const std::filesystem::path& file) {
  return RecordCount(FileSource(file));
}
long PimRecordCount(std::string_view file_bytes) {
  return RecordCount(MemorySource(file_bytes));
}

bool ReadPimRecordByCode(const std::filesystem::path& file, long record,
                         const std::vector<std::string>& mapped_fields,
                         std::vector<std::string>& slots) {
  return ByCode(FileSource(file), record, mapped_fields, slots);
}
bool PimRecordByCode(std::string_view file_bytes, long record,
                     const std::vector<std::string>& mapped_fields,
                     std::vector<std::string>& slots) {
  return ByCode(MemorySource(file_bytes), record, mapped_fields, slots);
}

bool PimValuesByCode(std::string_view file_bytes, long record,
                     const std::vector<std::string>& mapped_fields, std::vector<PimValue>& values) {
  values.assign(mapped_fields.size(), std::nullopt);
  return ByCode(MemorySource(file_bytes), record, mapped_fields,
                [&](std::size_t i, const PimValue& value) { values[i] = value; });
}

bool ReadPimRecordByPosition(const std::filesystem::path& file, long record,
                             PimPositionSlots& slots) {
  return ByPosition(FileSource(file), record, slots);
}
bool PimRecordByPosition(std::string_view file_bytes, long record, PimPositionSlots& slots) {
  return ByPosition(MemorySource(file_bytes), record, slots);
}

std::optional<std::vector<PimFieldText>> PimRecordFields(std::string_view file_bytes, long record) {
  std::string buffer;
  const std::optional<std::string_view> data =
      RecordBytes(MemorySource(file_bytes), record, buffer);
  if (!data) return std::nullopt;
  std::vector<PimFieldText> fields;
  ForEachField(*data, [&](const PimField& field) {
    fields.push_back({field.code, IsPimDateCode(field.code)
                                      ? AutomationDateText(FieldDate(field.data))
                                      : FieldText(field.data)});
  });
  return fields;
}

std::optional<std::string> FindPimDamage(std::string_view file_bytes) {
  if (file_bytes.size() < 2) return "the file is shorter than its 2-byte record count";
  std::uint64_t count = *bytes::GetLe(file_bytes, 0, 2);
  if (count > static_cast<std::uint64_t>(kPimMaxRecords)) {
    return "the record count " + std::to_string(count) + " is more than 5461";
  }
  if (2 + kPimIndexEntrySize * count > file_bytes.size()) {
    return "the record index runs past the end of the file";
  }
  const std::uint64_t records_start = 2 + kPimIndexEntrySize * count;
  MemorySource source(file_bytes);
  for (long r = 1; r <= static_cast<long>(count); ++r) {
    std::size_t at = kPimIndexEntrySize * static_cast<std::size_t>(r) - 4;
    std::uint64_t position = *bytes::GetLe(file_bytes, at, 4);
    std::uint64_t length = *bytes::GetLe(file_bytes, at + 4, 2);
    std::string where = "record " + std::to_string(r);
    if (position + length > file_bytes.size()) return where + " runs past the end of the file";
    // An index entry left empty or pointing back into the header or the index describes no
    // contact the handheld wrote.
    if (position < records_start) return where + " starts inside the record index";
    if (length == 0) return where + " holds no field";
    std::string buffer;
    const std::optional<std::string_view> data = RecordBytes(source, r, buffer);
    bool bad_field = false;
    bool whole = ForEachField(*data, [&](const PimField& field) {
      if (PimFieldName(field.code).empty()) bad_field = true;
      if (IsPimDateCode(field.code) && field.data.size() != 8) bad_field = true;
    });
    if (bad_field) return where + " has a field with a code outside 1-46 or a bad date length";
    if (!whole) return where + ": its fields do not add up to its length";
  }
  return std::nullopt;
}

}  // namespace velmora::transfer
