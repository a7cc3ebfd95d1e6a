// For the shared libraries' tests: what a library exports, as a program
// that loads it sees it.
#ifndef CORVANA_TESTING_EXPORTED_SYMBOLS_H_
#define CORVANA_TESTING_EXPORTED_SYMBOLS_H_

#include <stdio.h>

#include <set>
#include <stdexcept>
#include <string>

namespace testing_support {

// The names of the dynamic symbols `library` defines, C++ names demangled
// (nm -D --defined-only -C).
inline std::set<std::string> ExportedSymbols(const std::string& library) {
  const std::string command = "nm -D --defined-only -C '" + library + "'";
  FILE* nm = popen(command.c_str(), "r");
  if (nm == nullptr) throw std::runtime_error("cannot run " + command);
  std::set<std::string> names;
  std::string line;
  for (int c; (c = fgetc(nm)) != EOF;) {
    if (c != '\n') {
      line += static_cast<char>(c);
      continue;
    }
    // "ADDRESS TYPE NAME", the name possibly with blanks of its own.
    const size_t type = line.find(' ');
    if (type != std::string::npos && type + 3 <= line.size()) names.insert(line.substr(type + 3));
    line.clear();
  }
  if (pclose(nm) != 0) throw std::runtime_error(command + " failed");
  return names;
}

}  // namespace testing_support

#endif  // CORVANA_TESTING_EXPORTED_SYMBOLS_H_
