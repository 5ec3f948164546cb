// File and folder entry points of the emulated RAPI library over the handheld's files/ folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "handheld/store/device_path.h"
#include "handheld/store/handheld_layout.h"
#include "handheld/rapi-emu/emu_state.h"

#define RAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace velmora::rapi_emu {
namespace {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case ELOOP:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

// The host path of a device path argument; none with the last error set.
std::optional<handheld::ResolvedPath> Resolve(EmuState& state, LPCWSTR path) {
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  bool too_long = false;
  const std::string utf8 = Utf8Path(path, &too_long);
  if (too_long) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return std::nullopt;
  }
  std::uint32_t error = 0;
  auto resolved = handheld::ResolveDevicePath(handheld::FilesRoot(state.Handheld()), utf8, &error);
  if (!resolved) SetLastError(error);
  return resolved;
}

// Another handle's sharing forbids this access, or this sharing forbids its access.
bool SharingConflict(const OpenFile& open, DWORD access, DWORD share) {
  const bool we_read = access & GENERIC_READ, we_write = access & GENERIC_WRITE;
  const bool they_read = open.access & GENERIC_READ, they_write = open.access & GENERIC_WRITE;
  if ((we_read && !(open.share & FILE_SHARE_READ)) ||
      (we_write && !(open.share & FILE_SHARE_WRITE)))
    return true;
  return (they_read && !(share & FILE_SHARE_READ)) || (they_write && !(share & FILE_SHARE_WRITE));
}

OpenFile* FindFile(EmuState& state, HANDLE handle) {
  auto* object = state.Find(reinterpret_cast<std::uintptr_t>(handle));
  auto* file = object ? std::get_if<OpenFile>(object) : nullptr;
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

int OpenFlags(DWORD access, DWORD disposition, bool exists, DWORD* error) {
  // A link put in place after the path was resolved is not followed out of the handheld.
  int flags = O_CLOEXEC | O_NOFOLLOW;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) {
    flags |= O_RDWR;
  } else if (access & GENERIC_WRITE) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  switch (disposition) {
    case CREATE_NEW:
      if (exists) *error = ERROR_FILE_EXISTS;
      return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
      return flags | O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
      if (!exists) *error = ERROR_FILE_NOT_FOUND;
      return flags;
    case OPEN_ALWAYS:
      return flags | O_CREAT;
    case TRUNCATE_EXISTING:
      if (!exists) *error = ERROR_FILE_NOT_FOUND;
      if (!(access & GENERIC_WRITE)) *error = ERROR_INVALID_PARAMETER;
      return flags | O_TRUNC;
    default:
      *error = ERROR_INVALID_PARAMETER;
      return flags;
  }
}

}  // namespace
}  // namespace velmora::rapi_emu

using namespace velmora::rapi_emu;

RAPI_EXPORT HANDLE CeCreateFile(LPCWSTR file_name, DWORD desired_access, DWORD share_mode,
                                LPSECURITY_ATTRIBUTES, DWORD creation_disposition, DWORD, HANDLE) {
  BeginCall();
  Trace("CeCreateFile");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return INVALID_HANDLE_VALUE;
  const auto resolved = Resolve(state, file_name);
  if (!resolved) return INVALID_HANDLE_VALUE;
  std::error_code ec;
  if (std::filesystem::is_directory(resolved->host, ec) ||
      resolved->host == velmora::handheld::FilesRoot(state.Handheld())) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  if (const auto* open = state.OpenOn(resolved->host);
      open && SharingConflict(*open, desired_access, share_mode)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  DWORD error = ERROR_SUCCESS;
  const int flags = OpenFlags(desired_access, creation_disposition, resolved->exists, &error);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  // The handheld's files hold its owner's contacts: private to the user.
  const int fd = ::open(resolved->host.c_str(), flags, 0600);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  const bool reopened = resolved->exists && (creation_disposition == CREATE_ALWAYS ||
                                             creation_disposition == OPEN_ALWAYS);
  SetLastError(reopened ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(
      state.Add(OpenFile{fd, resolved->host, desired_access, share_mode}));
}

RAPI_EXPORT BOOL CeWriteFile(HANDLE file, const void* buffer, DWORD bytes_to_write,
                             LPDWORD bytes_written, void*) {
  BeginCall();
  Trace("CeWriteFile " + std::to_string(bytes_to_write));
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (bytes_written) *bytes_written = 0;
  if (!state.Available()) return 0;
  OpenFile* open = FindFile(state, file);
  if (!open) return 0;
  if (!(open->access & GENERIC_WRITE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (buffer == nullptr && bytes_to_write > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (state.Link().ReadFaults().disk_full) {
    SetLastError(ERROR_DISK_FULL);
    return 0;
  }
  const std::uint64_t allowed = state.Link().Cross(bytes_to_write);
  const char* bytes = static_cast<const char*>(buffer);
  std::uint64_t done = 0;
  while (done < allowed) {
    const ssize_t n = ::write(open->fd, bytes + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      if (bytes_written) *bytes_written = static_cast<DWORD>(done);
      return 0;
    }
    done += static_cast<std::uint64_t>(n);
  }
  if (bytes_written) *bytes_written = static_cast<DWORD>(done);
  if (allowed < bytes_to_write) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    SetRapiError(RAPI_E_DEVICE_NOT_CONNECTED);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return 1;
}

RAPI_EXPORT BOOL CeReadFile(HANDLE file, void* buffer, DWORD bytes_to_read, LPDWORD bytes_read,
                            void*) {
  BeginCall();
  Trace("CeReadFile " + std::to_string(bytes_to_read));
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (bytes_read) *bytes_read = 0;
  if (!state.Available()) return 0;
  OpenFile* open = FindFile(state, file);
  if (!open) return 0;
  if (!(open->access & GENERIC_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (buffer == nullptr && bytes_to_read > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  char* bytes = static_cast<char*>(buffer);
  std::uint64_t done = 0;
  while (done < bytes_to_read) {
    const ssize_t n = ::read(open->fd, bytes + done, bytes_to_read - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      return 0;
    }
    if (n == 0) break;
    done += static_cast<std::uint64_t>(n);
  }
  const std::uint64_t allowed = state.Link().Cross(done);
  if (bytes_read) *bytes_read = static_cast<DWORD>(allowed);
  if (allowed < done) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    SetRapiError(RAPI_E_DEVICE_NOT_CONNECTED);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return 1;
}

RAPI_EXPORT DWORD CeGetFileSize(HANDLE file, LPDWORD file_size_high) {
  BeginCall();
  Trace("CeGetFileSize");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return INVALID_FILE_SIZE;
  OpenFile* open = FindFile(state, file);
  if (!open) return INVALID_FILE_SIZE;
  struct stat info {};
  if (::fstat(open->fd, &info) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (file_size_high) *file_size_high = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

RAPI_EXPORT BOOL CeCloseHandle(HANDLE object) {
  BeginCall();
  Trace("CeCloseHandle");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  // The handle goes whether or not the link is up, so that nothing leaks.
  const auto key = reinterpret_cast<std::uintptr_t>(object);
  auto* found = state.Find(key);
  if (!found) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (const auto* file = std::get_if<OpenFile>(found)) ::close(file->fd);
  state.Remove(key);
  return state.Available() ? 1 : 0;
}

RAPI_EXPORT BOOL CeDeleteFile(LPCWSTR file_name) {
  BeginCall();
  Trace("CeDeleteFile");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return 0;
  const auto resolved = Resolve(state, file_name);
  if (!resolved) return 0;
  std::error_code ec;
  if (!resolved->exists) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (std::filesystem::is_directory(resolved->host, ec)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  if (state.OpenOn(resolved->host)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return 0;
  }
  if (::unlink(resolved->host.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return 1;
}

RAPI_EXPORT BOOL CeCreateDirectory(LPCWSTR path_name, LPSECURITY_ATTRIBUTES) {
  BeginCall();
  Trace("CeCreateDirectory");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return 0;
  const auto resolved = Resolve(state, path_name);
  if (!resolved) return 0;
  if (resolved->exists) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return 0;
  }
  if (::mkdir(resolved->host.c_str(), 0700) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return 1;
}
