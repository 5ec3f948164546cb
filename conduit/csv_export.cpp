#include "conduit/csv_export.h"

#include "conduit/device_export.h"
#include "platform/text/utf.h"
#include "profile/field_catalogue.h"
#include "transfer/atomic_file.h"

namespace velmora::conduit {

const std::string_view kCsvHeader =
    "Title,First,Middle,Last,Suffix,Job title,Department,Company,Work tel,Work2 tel,Home tel,"
    "Home2 tel,Mobile tel,Pager,Car tel,Work fax,Home fax,Assistant tel,Radio tel,E-mail,"
    "E-mail2,Email3,Web page,Work Street,Work City,Work State,Work Zip,Work Country,Office loc,"
    "Home Street,Home City,Home State,Home Zip,Home Country,Other Street,Other City,Other State,"
    "Other Zip,Other Country,Categories,Assistant name,Spouse,Children,Note,Birthday,"
    "Anniversary";

namespace {

// A value that holds a separator, a quote or a line break goes in double quotes, inner quotes
// doubled; every other value is written as it is.
std::string CsvValue(std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
  std::string quoted = "\"";
  for (char c : value) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

void AppendUtf16Le(std::string& out, std::string_view utf8) {
  for (char16_t unit : text::Utf8ToUtf16(utf8)) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  }
}

}  // namespace

std::string CsvLine(const transfer::PimPositionSlots& fields,
                    const std::optional<std::string>& profile_category) {
  std::string line;
  for (int k = 1; k <= profile::kFieldCount; ++k) {
    const std::string& value = fields[static_cast<std::size_t>(k - 1)];
    if (k == profile::kCategoriesField && profile_category) {
      line += CsvValue(value.empty() ? std::string("No Categories") : *profile_category) + ",";
    } else if (value.empty()) {
      line += " ,";
    } else if (k == profile::kAnniversaryField) {
      line += CsvValue(value);
    } else {
      line += CsvValue(value) + ",";
    }
  }
  return line;
}

transfer::PimPositionSlots CsvFieldsOf(std::string_view export_bytes, long record) {
  static const std::vector<std::string> kEveryField(transfer::kPimFieldNames.begin(),
                                                    transfer::kPimFieldNames.end());
  std::vector<transfer::PimValue> values;
  transfer::PimValuesByCode(export_bytes, record, kEveryField, values);
  transfer::PimPositionSlots fields;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const bool date = transfer::IsPimDateCode(static_cast<int>(k) + 1);
    fields[k] = values[k].value_or(date ? " " : "");
  }
  return fields;
}

void WriteCsvExport(RunContext& context, const RunPlan& plan, const DeviceExport& pim) {
  const long records = pim.records;
  const std::filesystem::path file = context.AppFolder() / kCsvExportFile;
  context.Log("\r\n\tImporting Records from Pocket PC...");
  std::optional<std::string> category;
  if (plan.profile.HasCategory()) {
    context.Log("\r\n\t Single Category Mode");
    category = CategoryName(plan);
    context.Log("\r\n\t Category : " + *category);
  }
  // The new export replaces the previous one only once it is whole.
  transfer::AtomicFile out(file);
  std::string bytes = "\xFF\xFE";
  AppendUtf16Le(bytes, kCsvHeader);
  AppendUtf16Le(bytes, "\r\n");
  out.Write(bytes);
  for (long r = 1; r <= records; ++r) {
    context.Status("Adding Record " + std::to_string(r) + " of " + std::to_string(records) + "...");
    const transfer::PimPositionSlots fields = CsvFieldsOf(pim.bytes, r);
    bytes.clear();
    AppendUtf16Le(bytes, CsvLine(fields, category));
    if (r == 1 || r == records) context.Log(NumberLine("Record#", r));
    AppendUtf16Le(bytes, "\r\n");
    out.Write(bytes);
  }
  context.Status("Finishing...");
  if (!out.Commit()) {
    context.SetRunError();
    context.Log("\r\n\tUnable to create " + file.string());
    return;
  }
  context.Log("\r\n\tImported Successfully.");
}

void RunCsvExport(RunContext& context, const RunPlan& plan) {
  std::optional<DeviceExport> pim = FetchDeviceExport(context, plan, false);
  if (pim) WriteCsvExport(context, plan, *pim);
  // The copy holds every contact of the handheld; none stays behind in the work folder.
  std::error_code ignored;
  std::filesystem::remove(DesktopExportPath(context), ignored);
}

}  // namespace velmora::conduit
