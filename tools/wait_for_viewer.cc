#include "tools/wait_for_viewer.h"

#include <signal.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <thread>

namespace tools {
namespace {

bool Running(long pid) {
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  // An ended process whose parent has not collected it yet is a zombie:
  // state "Z" after the command name in /proc/PID/stat.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t name_end = line.rfind(')');
  return name_end == std::string::npos || line.size() < name_end + 3 || line[name_end + 2] != 'Z';
}

}  // namespace

bool WaitForProcessEnd(long pid, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (Running(pid)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::string WaitForViewer(std::vector<std::string>* args, const std::string& program,
                          std::chrono::milliseconds limit) {
  for (size_t i = 0; i < args->size(); ++i) {
    if ((*args)[i] != "--wait-for") continue;
    if (i + 1 == args->size()) return "--wait-for needs the viewer's process id";
    const std::string text = (*args)[i + 1];
    long pid = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (error != std::errc() || end != text.data() + text.size() || pid <= 0) {
      return "--wait-for: \"" + text + "\" is not a process id";
    }
    args->erase(args->begin() + static_cast<ptrdiff_t>(i), args->begin() + static_cast<ptrdiff_t>(i) + 2);
    if (!WaitForProcessEnd(pid, limit)) {
      return "the viewer (process " + text + ") still holds the database after " +
             std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
             " s; close Corvanex and run " + program + " again";
    }
    return "";
  }
  return "";
}

}  // namespace tools
