#include "platform/filedb/biff_numbers.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/filedb/fingerprint.h"
#include "platform/filedb/text_encoding.h"
#include "platform/text/utf.h"

namespace velmora::filedb {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::size_t kDirectoryEntrySize = 128;

constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kFormula = 0x0006;

std::uint32_t U32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}

double F64(std::string_view b, std::size_t at) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(b[at + i]);
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double RkValue(std::uint32_t rk) {
  double value = 0;
  if (rk & 0x02) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 0x01) ? value / 100 : value;
}

// The compound file: sectors, the allocation table and stream reading.
class CompoundFile {
 public:
  static std::optional<CompoundFile> Open(std::string_view bytes) {
    if (bytes.size() < 512 || bytes.substr(0, 8) != "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") {
      return std::nullopt;
    }
    CompoundFile file(bytes);
    const std::uint16_t shift = U16(bytes, 0x1E);
    const std::uint16_t mini_shift = U16(bytes, 0x20);
    if ((shift != 9 && shift != 12) || mini_shift != 6) return std::nullopt;
    file.sector_size_ = std::size_t{1} << shift;
    file.mini_cutoff_ = U32(bytes, 0x38);
    if (!file.LoadFat()) return std::nullopt;
    file.mini_fat_ = file.ReadChainWords(U32(bytes, 0x3C));
    return file;
  }

  // The content of the stream named `name` (ASCII), or nothing.
  std::optional<std::string> Stream(const std::string& name) const {
    const std::string directory = ReadChain(U32(bytes_, 0x30), SIZE_MAX);
    // The first entry is the root; its chain holds the mini stream.
    std::optional<std::string> mini_stream;
    if (directory.size() >= kDirectoryEntrySize && directory[66] == 5) {
      mini_stream = ReadChain(U32(directory, 116), SIZE_MAX);
    }
    for (std::size_t at = kDirectoryEntrySize; at + kDirectoryEntrySize <= directory.size();
         at += kDirectoryEntrySize) {
      const std::string_view entry(directory.data() + at, kDirectoryEntrySize);
      const int type = static_cast<unsigned char>(entry[66]);
      const std::uint32_t start = U32(entry, 116);
      const std::uint32_t size = U32(entry, 120);
      if (type != 2 || EntryName(entry) != name) continue;
      if (size >= mini_cutoff_) return ReadChain(start, size);
      if (!mini_stream) return std::nullopt;
      return ReadMiniChain(*mini_stream, start, size);
    }
    return std::nullopt;
  }

 private:
  explicit CompoundFile(std::string_view bytes) : bytes_(bytes) {}

  // Sector 0 starts after the header, which takes one sector.
  std::size_t SectorCount() const {
    return bytes_.size() < sector_size_ ? 0 : bytes_.size() / sector_size_ - 1;
  }

  std::optional<std::string_view> Sector(std::uint32_t index) const {
    if (index >= SectorCount()) return std::nullopt;
    return bytes_.substr((std::size_t{index} + 1) * sector_size_, sector_size_);
  }

  // Only the first FAT sectors that cover every sector of the file are read: entries past the
  // last sector are never used, and a damaged DIFAT that lists sectors again and again (or
  // loops) would otherwise make the table grow with the square of the file size.
  bool LoadFat() {
    const std::size_t words = sector_size_ / 4;
    const std::size_t needed = (SectorCount() + words - 1) / words;
    std::vector<std::uint32_t> fat_sectors;
    const auto add = [&](std::uint32_t s) {
      if (s < SectorCount() && fat_sectors.size() < needed) fat_sectors.push_back(s);
    };
    for (std::size_t i = 0; i < kHeaderFatEntries; ++i) add(U32(bytes_, 0x4C + 4 * i));
    std::uint32_t difat = U32(bytes_, 0x44);
    for (std::size_t guard = 0;
         difat < SectorCount() && guard < SectorCount() && fat_sectors.size() < needed; ++guard) {
      const std::string_view sector = *Sector(difat);
      for (std::size_t i = 0; i + 1 < words; ++i) add(U32(sector, 4 * i));
      difat = U32(sector, 4 * (words - 1));
    }
    fat_.reserve(fat_sectors.size() * words);
    for (std::uint32_t s : fat_sectors) {
      const std::string_view sector = *Sector(s);
      for (std::size_t i = 0; i < words; ++i) fat_.push_back(U32(sector, 4 * i));
    }
    return !fat_.empty();
  }

  std::string ReadChain(std::uint32_t start, std::size_t size) const {
    std::string out;
    // A chain visits each sector at most once; a longer one is a cycle.
    for (std::uint32_t s = start, guard = 0; s != kEndOfChain && guard < SectorCount(); ++guard) {
      const auto sector = Sector(s);
      if (!sector || s >= fat_.size()) return {};
      out.append(*sector);
      if (out.size() >= size) break;
      s = fat_[s];
    }
    if (size != SIZE_MAX) {
      if (out.size() < size) return {};
      out.resize(size);
    }
    return out;
  }

  std::vector<std::uint32_t> ReadChainWords(std::uint32_t start) const {
    const std::string bytes = start < SectorCount() ? ReadChain(start, SIZE_MAX) : std::string();
    std::vector<std::uint32_t> words;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) words.push_back(U32(bytes, i));
    return words;
  }

  std::optional<std::string> ReadMiniChain(const std::string& mini_stream, std::uint32_t start,
                                           std::size_t size) const {
    constexpr std::size_t kMiniSector = 64;
    std::string out;
    for (std::uint32_t s = start, guard = 0; out.size() < size && guard <= mini_fat_.size();
         ++guard) {
      if (s >= mini_fat_.size() || (std::size_t{s} + 1) * kMiniSector > mini_stream.size()) {
        return std::nullopt;
      }
      out.append(mini_stream, std::size_t{s} * kMiniSector, kMiniSector);
      s = mini_fat_[s];
    }
    if (out.size() < size) return std::nullopt;
    out.resize(size);
    return out;
  }

  static std::string EntryName(std::string_view entry) {
    const std::size_t length = std::min<std::size_t>(U16(entry, 64), 64);
    std::string name;
    for (std::size_t i = 0; i + 2 <= length; i += 2) {
      const std::uint16_t unit = U16(entry, i);
      if (unit == 0) break;
      name += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return name;
  }

  std::string_view bytes_;
  std::size_t sector_size_ = 512;
  std::uint32_t mini_cutoff_ = 4096;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> mini_fat_;
};

// A BIFF8 short string: length in characters, a flag byte, then 8- or 16-bit characters.
std::string SheetName(std::string_view data) {
  if (data.size() < 8) return {};
  const std::size_t count = static_cast<unsigned char>(data[6]);
  const bool wide = (static_cast<unsigned char>(data[7]) & 0x01) != 0;
  const std::string_view chars = data.substr(8);
  if (!wide) return Latin1ToUtf8(chars.substr(0, count));
  std::u16string units;
  for (std::size_t i = 0; i < count && 2 * i + 1 < chars.size(); ++i)
    units += char16_t(U16(chars, 2 * i));
  return text::Utf16ToUtf8(units);
}

template <typename Visit>
void ForEachRecord(std::string_view stream, std::size_t from, Visit visit) {
  for (std::size_t at = from; at + 4 <= stream.size();) {
    const std::uint16_t type = U16(stream, at);
    const std::uint16_t length = U16(stream, at + 2);
    if (at + 4 + length > stream.size()) return;
    if (!visit(type, stream.substr(at + 4, length))) return;
    at += 4 + length;
  }
}

std::optional<std::size_t> SheetOffset(std::string_view stream, const std::string& sheet_name) {
  std::optional<std::size_t> offset;
  ForEachRecord(stream, 0, [&](std::uint16_t type, std::string_view data) {
    if (type == kBoundSheet && data.size() >= 8 && SheetName(data) == sheet_name) {
      offset = U32(data, 0);
      return false;
    }
    return type != kEof;
  });
  return offset;
}

void AddCell(std::uint16_t type, std::string_view data, std::vector<BiffNumber>* numbers) {
  if (data.size() < 6) return;
  const unsigned int row = U16(data, 0);
  const std::uint16_t column = U16(data, 2);
  if (type == kNumber && data.size() >= 14) {
    numbers->push_back({row, column, F64(data, 6)});
  } else if (type == kRk && data.size() >= 10) {
    numbers->push_back({row, column, RkValue(U32(data, 6))});
  } else if (type == kFormula && data.size() >= 14 && U16(data, 12) != 0xFFFF) {
    numbers->push_back({row, column, F64(data, 6)});
  } else if (type == kMulRk) {
    for (std::size_t at = 4, c = column; at + 6 <= data.size() - 2; at += 6, ++c) {
      numbers->push_back({row, static_cast<std::uint16_t>(c), RkValue(U32(data, at + 2))});
    }
  }
}

}  // namespace

std::vector<BiffNumber> ReadSheetNumbers(const std::filesystem::path& file,
                                         const std::string& sheet_name) {
  const auto bytes = ReadWholeFile(file, nullptr);
  if (!bytes) return {};
  return ReadSheetNumbersFromBytes(*bytes, sheet_name);
}

std::vector<BiffNumber> ReadSheetNumbersFromBytes(std::string_view file_bytes,
                                                  const std::string& sheet_name) {
  const std::optional<CompoundFile> file = CompoundFile::Open(file_bytes);
  if (!file) return {};
  std::optional<std::string> stream = file->Stream("Workbook");
  if (!stream) stream = file->Stream("Book");
  if (!stream) return {};
  const std::optional<std::size_t> offset = SheetOffset(*stream, sheet_name);
  std::vector<BiffNumber> numbers;
  if (!offset || *offset >= stream->size()) return numbers;
  ForEachRecord(*stream, *offset, [&](std::uint16_t type, std::string_view data) {
    AddCell(type, data, &numbers);
    return type != kEof;
  });
  return numbers;
}

}  // namespace velmora::filedb
