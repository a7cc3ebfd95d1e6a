// For tests that run the programs through the shell: an argument quoted
// so that the shell passes it on unchanged, whatever it holds.
#ifndef CORVANA_TESTING_SHELL_QUOTE_H_
#define CORVANA_TESTING_SHELL_QUOTE_H_

#include <string>

inline std::string ShellQuote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

#endif  // CORVANA_TESTING_SHELL_QUOTE_H_
