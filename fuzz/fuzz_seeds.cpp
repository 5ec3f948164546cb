// Writes seed corpora for the fuzz targets, made with the writers themselves where there are any:
// velmora-fuzz-seeds OUTPUT_FOLDER creates OUTPUT_FOLDER/<target>/ with a few valid files.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "db/type_codes.h"
#include "handheld/store/contact_store.h"
#include "handheld/vcard/vcard_writer.h"
#include "platform/registry/hive_format.h"
#include "tests/transfer/memory_result_set.h"
#include "transfer/category_list.h"
#include "transfer/device_backup.h"
#include "transfer/pdb_writer.h"
#include "transfer/pim_writer.h"

namespace {

namespace db = velmora::db;
namespace fs = std::filesystem;
namespace registry = velmora::registry;
namespace transfer = velmora::transfer;

bool WriteSeed(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

bool PdbSeeds(const fs::path& dir) {
  std::vector<std::string> names;
  for (int i = 1; i <= 46; ++i) names.push_back("F" + std::to_string(i));
  std::vector<std::string> contact(46);
  contact[1] = "Ann";
  contact[43] = "line\nbreak";
  velmora::testing::MemoryResultSet rows(
      {{"t", db::kTypeChar, 20, 0},
       {"n", db::kTypeNumeric, 10, 2},
       {"i", db::kTypeInteger, 10, 0},
       {"s", db::kTypeSmallInt, 5, 0},
       {"r", db::kTypeReal, 7, 0},
       {"d", db::kTypeDouble, 15, 0},
       {"da", db::kTypeDate, 10, 0},
       {"ti", db::kTypeTime, 8, 0},
       {"ts", db::kTypeTimestamp, 19, 0},
       {"ty", db::kTypeTinyInt, 3, 0},
       {"b", db::kTypeBit, 1, 0}},
      {{std::string("a\tb"), std::string("1.5"), std::int64_t{-3}, std::int64_t{7}, 2.5, 12345678.0,
        db::Date{2008, 3, 15}, db::Time{13, 5, 0}, db::Timestamp{2008, 3, 15, 13, 45, 30, 0},
        std::int64_t{200}, std::int64_t{1}},
       {db::Null{}, db::Null{}, db::Null{}, db::Null{}, db::Null{}, db::Null{}, db::Null{},
        db::Null{}, db::Null{}, db::Null{}, db::Null{}}});
  return transfer::CreateDeviceBackupPdb(dir / "empty_backup.pdb", names) &&
         transfer::WriteDeviceBackupPdb(dir / "backup.pdb", names, {contact, contact}) &&
         transfer::WriteTablePdb(rows, dir / "table.pdb", "Table");
}

// What the desktop leaves for the agent: a backup (as above) and a transfer file whose columns
// are named after handheld fields, with dates both as dates and as time stamps.
bool AgentSeeds(const fs::path& dir) {
  const auto& field = velmora::handheld::ContactFieldNames();
  velmora::testing::MemoryResultSet rows(
      {{field[1], db::kTypeChar, 20, 0},
       {field[44], db::kTypeDate, 10, 0},
       {field[45], db::kTypeTimestamp, 19, 0},
       {field[30], db::kTypeChar, 20, 0},
       {"Unknown", db::kTypeInteger, 10, 0}},
      {{std::string("Ann"), db::Date{1970, 2, 28}, db::Timestamp{2008, 3, 15, 13, 45, 30, 0},
        std::string("12/31/1999"), std::int64_t{5}},
       {db::Null{}, db::Null{}, db::Null{}, db::Null{}, db::Null{}}});
  return PdbSeeds(dir) && transfer::WriteTablePdb(rows, dir / "transfer.pdb", "Contacts");
}

bool PimSeeds(const fs::path& dir) {
  transfer::PimContact c;
  c.texts[1] = "Ann";
  c.texts[3] = "Lee";
  c.birthday = 39448.0;
  std::string odd = transfer::EncodePimTextField(44, u"n") + transfer::EncodePimTextField(2, u"A") +
                    transfer::EncodePimDateField(45, 0.0) + transfer::EncodePimTextField(47, u"x");
  return transfer::WritePimFile(dir / "empty.pim", {}) &&
         transfer::WritePimFile(dir / "three.pim", {c, transfer::PimContact(), c}) &&
         WriteSeed(dir / "out_of_order.pim", *transfer::EncodePimFileFromRecords({odd}));
}

bool CategorySeeds(const fs::path& dir) {
  return transfer::WriteCategoryListFile(dir / "none.css", {0, ""}) &&
         transfer::WriteCategoryListFile(dir / "business.css", {1, "Business"});
}

bool RegistrySeeds(const fs::path& dir) {
  registry::HiveContents hive;
  hive.keys.push_back({"Software", {}});
  hive.keys.push_back({"Software\\Velmora \"odd\" 100%", {}});
  hive.keys[1].values.push_back(
      {"AppPath", {registry::RegValue::Type::kString, "/opt/velmora", 0}});
  hive.keys[2].values.push_back({"AutoSync", {registry::RegValue::Type::kDword, {}, 1}});
  hive.keys[2].values.push_back(
      {"lines", {registry::RegValue::Type::kString, std::string("a\nb\x7f\0c", 7), 0}});
  return WriteSeed(dir / "empty.hive", registry::SerialiseHive({})) &&
         WriteSeed(dir / "keys.hive", registry::SerialiseHive(hive));
}

bool CsvSeeds(const fs::path& dir) {
  return WriteSeed(dir / "plain.csv", "FirstName,LastName,Visits\r\nAnn,Lee,12\r\nBo,,3.5\r\n") &&
         WriteSeed(dir / "quoted.csv",
                   "\"Name\";\"Note\"\n\"O'Neil, Jr.\";\"say \"\"hi\"\"\nnext "
                   "line\"\n\"S\xc3\xb8ren\";\n");
}

bool VcardSeeds(const fs::path& dir) {
  velmora::handheld::vcard::Card card;
  for (int i = 0; i < 46; ++i)
    card.contact.fields[static_cast<std::size_t>(i)] = "v,;\\" + std::to_string(i);
  card.contact.fields[43] = "line\r\nbreak";
  card.contact.fields[44] = "1985-04-15";
  card.uid = "urn:uuid:1";
  card.kept = {"PHOTO;ENCODING=b;TYPE=JPEG:QUJD", "X-OWN;X-P=\"a:b\":v"};
  return WriteSeed(dir / "written.vcf", velmora::handheld::vcard::WriteCards({card, {}})) &&
         WriteSeed(dir / "v21.vcf",
                   "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1:M\xFCller;J\r\n"
                   "TEL;WORK;VOICE:1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=0D=0Ab=\r\nc\r\n"
                   "PHOTO;ENCODING=BASE64;TYPE=GIF:R0lG\r\nODlh\r\n\r\nEND:VCARD\r\n") &&
         WriteSeed(dir / "v40.vcf",
                   "BEGIN:VCARD\nVERSION:4.0\nFN:Solo\nTEL;VALUE=uri;TYPE=\"cell,voice\":tel:+1\n"
                   "ANNIVERSARY:20090808\nitem1.EMAIL;PREF=1:a@b\nCATEGORIES:a\\,b,c\n"
                   "ADR;TYPE=home:;;St\n reet;C;;1;X\nEND:VCARD\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: velmora-fuzz-seeds OUTPUT_FOLDER\n";
    return 2;
  }
  fs::path out = argv[1];
  std::error_code error;
  for (const char* target :
       {"fuzz_pdb_reader", "fuzz_pim_reader", "fuzz_category_line", "fuzz_registry_hive",
        "fuzz_filedb_csv", "fuzz_agent_contact_files", "fuzz_vcard_reader"}) {
    fs::create_directories(out / target, error);
  }
  bool ok = PdbSeeds(out / "fuzz_pdb_reader") && PimSeeds(out / "fuzz_pim_reader") &&
            CategorySeeds(out / "fuzz_category_line") &&
            RegistrySeeds(out / "fuzz_registry_hive") && CsvSeeds(out / "fuzz_filedb_csv") &&
            AgentSeeds(out / "fuzz_agent_contact_files") && VcardSeeds(out / "fuzz_vcard_reader");
  if (!ok) std::cerr << "velmora-fuzz-seeds: could not write the seeds in " << out << "\n";
  return ok ? 0 : 1;
}
