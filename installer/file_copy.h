// Copying one file into the installation folder: the bytes go to a temporary file beside the
// target, which is flushed to disk, given the source's permission bits and renamed over the
// target, so an interrupted installation never leaves a half-written program or database.
// Used by the installation steps and the bundle tool. Never throws.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::installer {

// False with `error` (when given) saying why; the target is then as it was before.
bool CopyFileAside(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::string* error);

// Writes `bytes` to `to` the same way, with permission bits `mode`.
bool WriteFileAside(const std::filesystem::path& to, std::string_view bytes, unsigned mode,
                    std::string* error);

}  // namespace velmora::installer
