#include "tests/carddav/bound_handheld.h"

#include <algorithm>
#include <sstream>

#include "handheld/sorrelin/agent.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/handheld_layout.h"
#include "handheld/velmora-device/tool.h"
#include "transfer/category_list.h"
#include "transfer/device_backup.h"
#include "transfer/pim_reader.h"

namespace velmora::testing {
namespace {

constexpr const char* kAgentKey = "Software\\Microsoft\\ZOVAziz";

std::filesystem::path ContactFolder(const std::filesystem::path& handheld) {
  return handheld::FilesRoot(handheld) / "My Documents" / "Contact";
}

}  // namespace

handheld::Contact Person(const std::string& first, const std::string& last,
                         const std::string& categories) {
  handheld::Contact contact;
  contact.fields[1] = first;
  contact.fields[3] = last;
  contact.fields[39] = categories;
  return contact;
}

BoundHandheld::BoundHandheld(const carddav::Binding& binding) : folder_(dir_ / "handheld") {
  std::string why;
  ok_ = handheld::CreateHandheld(folder_, "Ann Lee", std::nullopt, &why) &&
        carddav::WriteBinding(folder_, binding, &why);
}

void BoundHandheld::Send(const std::vector<handheld::Contact>& contacts,
                         const std::string& category) {
  const auto& names = handheld::ContactFieldNames();
  std::vector<std::vector<std::string>> records;
  for (const auto& contact : contacts)
    records.emplace_back(contact.fields.begin(), contact.fields.end());
  transfer::WriteDeviceBackupPdb(ContactFolder(folder_) / "test.pdb",
                                 std::vector<std::string>(names.begin(), names.end()), records);
  std::filesystem::remove(ContactFolder(folder_) / "category.css");
  if (!category.empty()) {
    WriteFileBytes(ContactFolder(folder_) / "category.css",
                   transfer::EncodeCategoryLine({1, category}));
  }
}

std::uint32_t BoundHandheld::Run(std::uint32_t code) {
  std::filesystem::remove(ContactFolder(folder_) / "Contact1.pim");
  auto registry = handheld::DeviceRegistry::Open(folder_, false);
  const auto root = handheld::DeviceRoot::kClassesRoot;
  registry->WriteDword(root, kAgentKey, "SyncFlag", code);
  registry->WriteDword(root, kAgentKey, "Flag", 0);
  registry->WriteDword(root, kAgentKey, "Outcome", 0);
  sorrelin::RunAgent(folder_);
  if (registry->ReadDword(root, kAgentKey, "Flag").value_or(0) != 1) return 0;
  return registry->ReadDword(root, kAgentKey, "Outcome").value_or(0);
}

bool BoundHandheld::ExportExists() const {
  return std::filesystem::exists(ContactFolder(folder_) / "Contact1.pim");
}

std::vector<std::string> BoundHandheld::ExportedNames() const {
  const auto file = ContactFolder(folder_) / "Contact1.pim";
  std::vector<std::string> names;
  for (long r = 1; r <= transfer::ReadPimRecordCount(file); ++r) {
    transfer::PimPositionSlots slots;
    transfer::ReadPimRecordByPosition(file, r, slots);
    names.push_back(slots[1] + " " + slots[3]);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string BoundHandheld::Log() const {
  std::ostringstream out, err;
  device_tool::RunDeviceTool({"log", folder_.string()}, out, err);
  return out.str() + err.str();
}

}  // namespace velmora::testing
