#include "conduit/run_context.h"

#include "conduit/file_names.h"
#include "device/desktop_settings.h"
#include "platform/prompt/prompt.h"

namespace velmora::conduit {

RunContext::RunContext(std::filesystem::path app_folder, std::string owner,
                       db::Connection& profile_db, const device::RapiLibrary& rapi, ConduitLog& log,
                       RunObserver& observer, std::atomic<bool>& run_error, RunSettings settings)
    : app_folder_(std::move(app_folder)),
      owner_(std::move(owner)),
      profile_db_(profile_db),
      rapi_(rapi),
      log_(log),
      observer_(observer),
      run_error_(run_error),
      settings_(settings) {}

std::filesystem::path RunContext::WorkFolder() const {
  return app_folder_ / SafeFileNamePart(owner_);
}

std::chrono::milliseconds RunContext::AgentTimeout() const {
  if (settings_.agent_timeout.count() > 0) return settings_.agent_timeout;
  return device::ReadAgentTimeout();
}

void RunContext::SetRunError() {
  run_error_.store(true);
  profile_failed_ = true;
}

void RunContext::LogReport::ShowError(std::string_view caption, std::string_view text) {
  prompt::ShowMessage(text, caption, prompt::Icon::kInformation);
}

std::string QuotedLine(std::string_view text) {
  return "\r\n\t\"" + std::string(text);
}

std::string QuotedPair(std::string_view first, std::string_view second) {
  return "\r\n\t\"" + std::string(first) + "\" " + std::string(second);
}

std::string CountedLine(std::string_view text, long number) {
  return "\r\n\t\"" + std::string(text) + " " + std::to_string(number);
}

std::string NumberLine(std::string_view text, long number) {
  return "\r\n\t" + std::string(text) + " " + std::to_string(number);
}

}  // namespace velmora::conduit
