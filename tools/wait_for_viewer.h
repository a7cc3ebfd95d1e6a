// The viewer starts the update and re-indexing programs and then ends; it
// still holds the database for a moment. A program started so is given the
// viewer's process id ("--wait-for PID") and waits for it to end before it
// opens the database, for a bounded time.
#ifndef CORVANA_TOOLS_WAIT_FOR_VIEWER_H_
#define CORVANA_TOOLS_WAIT_FOR_VIEWER_H_

#include <chrono>
#include <string>
#include <vector>

namespace tools {

inline constexpr std::chrono::seconds kViewerWaitLimit{60};

// Waits until process `pid` has ended (or is a zombie), at most `limit`.
// False when it still runs then.
bool WaitForProcessEnd(long pid, std::chrono::milliseconds limit);

// Takes "--wait-for PID" out of `args` (argv without the program name) and
// waits for that process. Returns an error message, empty when there was
// nothing to wait for or the process ended in time.
std::string WaitForViewer(std::vector<std::string>* args, const std::string& program,
                          std::chrono::milliseconds limit = kViewerWaitLimit);

}  // namespace tools

#endif  // CORVANA_TOOLS_WAIT_FOR_VIEWER_H_
