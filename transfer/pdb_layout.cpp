#include "transfer/pdb_layout.h"

#include <algorithm>
#include <ctime>

#include "platform/text/utf.h"
#include "transfer/byte_io.h"
#include "transfer/pdb_format.h"

namespace velmora::transfer {

std::string EncodePdbHeader(std::string_view database_name, std::uint16_t record_count,
                            std::uint32_t now) {
  std::string header(kPdbHeaderSize, '\0');
  std::u16string name = text::Utf8ToUtf16(database_name);
  name.resize(text::Utf16PrefixAtBoundary(name, kPdbNameMaxUnits));
  for (std::size_t i = 0; i < name.size(); ++i) {
    header[2 * i] = static_cast<char>(name[i] & 0xFF);
    header[2 * i + 1] = static_cast<char>(name[i] >> 8);
  }
  bytes::SetBe16(header, kPdbAttributesAt, kPdbAttributes);
  bytes::SetBe32(header, kPdbCreationTimeAt, now);
  bytes::SetBe32(header, kPdbModificationTimeAt, now);
  bytes::SetBe32(header, kPdbColumnListAt,
                 static_cast<std::uint32_t>(kPdbHeaderSize + kPdbRecordEntrySize * record_count));
  header.replace(kPdbTypeAt, 4, "KOBA");
  header.replace(kPdbCreatorAt, 4, "DBPL");
  bytes::SetBe16(header, kPdbRecordCountAt, record_count);
  return header;
}

std::optional<std::string> EncodePdbColumnList(const std::vector<PdbDescriptor>& descriptors,
                                               int slot_count) {
  std::size_t slots =
      std::max<std::size_t>(static_cast<std::size_t>(std::max(slot_count, 0)), descriptors.size());
  if (descriptors.size() > 0xFFFF) return std::nullopt;
  std::string list(2 + 2 * slots, '\0');
  bytes::SetBe16(list, 0, static_cast<std::uint16_t>(descriptors.size()));
  for (std::size_t j = 0; j < descriptors.size(); ++j) {
    if (list.size() > kPdbMaxOffset) return std::nullopt;
    bytes::SetBe16(list, 2 + 2 * j, static_cast<std::uint16_t>(list.size()));
    const PdbDescriptor& d = descriptors[j];
    bytes::PutBe16(list, static_cast<std::uint16_t>(d.code));
    bytes::PutBe16(list, static_cast<std::uint16_t>(std::max(d.size, 0)));
    bytes::PutBe16(list, static_cast<std::uint16_t>(d.digits));
    bytes::PutUtf16Le(list, text::Utf8ToUtf16(d.name));
    bytes::PutLe16(list, 0);
  }
  return list;
}

std::uint32_t PdbNow() {
  return static_cast<std::uint32_t>(std::time(nullptr));
}

}  // namespace velmora::transfer
