// Where the conduit's file copies report: preformatted log pieces, the error box and the run
// error flag. The conduit implements it over its log and window; the desktop manager's copies
// report nothing. Never owned by the device link, which only calls it.
#pragma once

#include <string_view>

namespace velmora::device {

class TransferReport {
 public:
  virtual ~TransferReport() = default;
  // A log piece exactly as it goes into the log; it carries its own "\r\n" and tabs. UTF-8.
  virtual void Log(std::string_view text) = 0;
  // A message box with `caption` and the information icon.
  virtual void ShowError(std::string_view caption, std::string_view text) = 0;
  virtual void SetRunError() = 0;
};

// Drops everything; for callers that want no report.
class SilentReport final : public TransferReport {
 public:
  void Log(std::string_view) override {}
  void ShowError(std::string_view, std::string_view) override {}
  void SetRunError() override {}
};

}  // namespace velmora::device
