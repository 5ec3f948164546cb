// CeCreateProcess of the emulated RAPI library: the only program a handheld runs is its
// contacts agent, played by the desktop program recorded when the agent was installed (or,
// when that is gone, the one beside this library). The agent runs as a child with its
// handheld's folder as argument and no standard streams; a thread reaps it when it ends and
// marks the end for CeWaitForSingleObject on the process's handles.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <thread>

#include "handheld/rapi-emu/emu_state.h"
#include "handheld/store/handheld_layout.h"
#include "handheld/store/link_state.h"

#define RAPI_EXPORT extern "C" __attribute__((visibility("default")))

extern char** environ;

namespace velmora::rapi_emu {
namespace {

// "Sorrelin", "sorrelin.exe", "\Windows\Sorrelin.exe" all name the agent.
bool NamesAgent(std::string image) {
  for (auto& c : image) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '/') c = '\\';
  }
  for (const char* name :
       {"sorrelin", "sorrelin.exe", "\\windows\\sorrelin", "\\windows\\sorrelin.exe"}) {
    if (image == name) return true;
  }
  return false;
}

bool Executable(const std::filesystem::path& program) {
  return !program.empty() && ::access(program.c_str(), X_OK) == 0 &&
         !std::filesystem::is_directory(program);
}

std::optional<std::filesystem::path> AgentProgram(const std::filesystem::path& handheld) {
  const auto recorded = handheld::InstalledAgentProgram(handheld);
  if (!recorded) return std::nullopt;
  if (Executable(*recorded)) return recorded;
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&NamesAgent), &info) == 0 || info.dli_fname == nullptr) {
    return std::nullopt;
  }
  const auto folder = std::filesystem::path(info.dli_fname).parent_path();
  for (const auto& candidate : {folder / handheld::kAgentProgramFile,
                                folder / ".." / "bin" / handheld::kAgentProgramFile}) {
    if (Executable(candidate)) return candidate;
  }
  return std::nullopt;
}

std::optional<pid_t> Spawn(const std::filesystem::path& program,
                           const std::filesystem::path& handheld,
                           const std::shared_ptr<ProcessEnd>& end) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd <= 2; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  std::string program_text = program.string();
  std::string handheld_text = handheld.string();
  char* argv[] = {program_text.data(), handheld_text.data(), nullptr};
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program_text.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  std::thread([pid, end] {
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    end->MarkEnded();
  }).detach();
  return pid;
}

}  // namespace
}  // namespace velmora::rapi_emu

using namespace velmora::rapi_emu;

RAPI_EXPORT BOOL CeCreateProcess(LPCWSTR image_name, LPCWSTR, LPSECURITY_ATTRIBUTES,
                                 LPSECURITY_ATTRIBUTES, BOOL, DWORD, void*, LPWSTR, void*,
                                 LPPROCESS_INFORMATION process_information) {
  BeginCall();
  Trace("CeCreateProcess");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return 0;
  if (image_name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto program =
      NamesAgent(Utf8Path(image_name, nullptr)) && !state.Link().ReadFaults().agent_missing
          ? AgentProgram(state.Handheld())
          : std::nullopt;
  if (!program) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const auto end = std::make_shared<ProcessEnd>();
  const auto pid = Spawn(*program, state.Handheld(), end);
  if (!pid) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (process_information) {
    process_information->hProcess = reinterpret_cast<HANDLE>(state.Add(AgentProcess{*pid, end}));
    process_information->hThread = reinterpret_cast<HANDLE>(state.Add(AgentProcess{*pid, end}));
    process_information->dwProcessId = static_cast<DWORD>(*pid);
    process_information->dwThreadId = static_cast<DWORD>(*pid);
  }
  SetLastError(ERROR_SUCCESS);
  return 1;
}

RAPI_EXPORT DWORD CeWaitForSingleObject(HANDLE object, DWORD milliseconds) {
  BeginCall();
  Trace("CeWaitForSingleObject");
  std::shared_ptr<ProcessEnd> end;
  {
    auto& state = EmuState::Instance();
    auto lock = state.Lock();
    if (!state.Available()) return WAIT_FAILED;
    auto* found = state.Find(reinterpret_cast<std::uintptr_t>(object));
    const auto* process = found ? std::get_if<AgentProcess>(found) : nullptr;
    if (!process) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    end = process->end;
  }
  // Waited without the library's lock: the other entry points go on meanwhile.
  SetLastError(ERROR_SUCCESS);
  return end->WaitFor(std::chrono::milliseconds(milliseconds)) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
