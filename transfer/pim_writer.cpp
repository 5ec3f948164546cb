#include "transfer/pim_writer.h"

#include <algorithm>

#include "platform/text/utf.h"
#include "transfer/atomic_file.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_values.h"

namespace velmora::transfer {
namespace {

constexpr std::size_t kMaxRecordBytes = 0xFFFF;
constexpr std::size_t kPimTextFields = 44;
// Headers of all 46 fields, the two dates and the 44 text terminators.
constexpr std::size_t kFixedRecordBytes =
    kPimFieldCount * kPimFieldHeaderSize + 2 * 8 + kPimTextFields * 2;

std::u16string CutText(std::u16string text, std::size_t max_units) {
  if (text.size() > max_units) text.resize(text::Utf16PrefixAtBoundary(text, max_units));
  return text;
}

std::string EncodeContact(const PimContact& contact) {
  std::vector<std::u16string> texts;
  std::vector<std::size_t> lengths;
  for (const std::string& t : contact.texts) {
    texts.push_back(CutText(text::Utf8ToUtf16(t), kPimMaxTextUnits));
    lengths.push_back(texts.back().size());
  }
  std::size_t cap = TextCapForBudget(lengths, kMaxRecordBytes - kFixedRecordBytes);
  std::string record;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    record += EncodePimTextField(static_cast<int>(i) + 1, CutText(std::move(texts[i]), cap));
  }
  record += EncodePimDateField(kPimBirthday, contact.birthday);
  record += EncodePimDateField(kPimAnniversary, contact.anniversary);
  return record;
}

}  // namespace

std::string EncodePimTextField(int code, std::u16string_view text) {
  std::u16string units = CutText(std::u16string(text), kPimMaxTextUnits);
  std::string field;
  field.push_back(static_cast<char>(code));
  bytes::PutLe16(field, static_cast<std::uint16_t>(2 * units.size() + 2));
  bytes::PutUtf16Le(field, units);
  bytes::PutLe16(field, 0);
  return field;
}

std::string EncodePimDateField(int code, double automation_date) {
  std::string field;
  field.push_back(static_cast<char>(code));
  bytes::PutLe16(field, 8);
  bytes::PutLe64(field, bytes::BitsFromDouble(automation_date));
  return field;
}

std::optional<std::string> EncodePimFileFromRecords(const std::vector<std::string>& records) {
  if (records.size() > 0xFFFF) return std::nullopt;
  std::string file;
  bytes::PutLe16(file, static_cast<std::uint16_t>(records.size()));
  std::uint64_t position = 2 + kPimIndexEntrySize * records.size();
  for (const std::string& record : records) {
    if (record.size() > kMaxRecordBytes || position > 0xFFFFFFFFu) return std::nullopt;
    bytes::PutLe32(file, static_cast<std::uint32_t>(position));
    bytes::PutLe16(file, static_cast<std::uint16_t>(record.size()));
    position += record.size();
  }
  for (const std::string& record : records) file += record;
  return file;
}

std::optional<std::string> EncodePimFile(const std::vector<PimContact>& contacts) {
  if (contacts.size() > static_cast<std::size_t>(kPimMaxRecords)) return std::nullopt;
  std::vector<std::string> records;
  records.reserve(contacts.size());
  for (const PimContact& c : contacts) records.push_back(EncodeContact(c));
  return EncodePimFileFromRecords(records);
}

bool WritePimFile(const std::filesystem::path& file, const std::vector<PimContact>& contacts) {
  std::optional<std::string> bytes = EncodePimFile(contacts);
  return bytes && WriteFileAtomically(file, *bytes);
}

}  // namespace velmora::transfer
