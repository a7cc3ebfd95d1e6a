// For tests over the real act corpus ($CORVANA_CORPUS): an installation of
// the whole of it, imported by the update program as a user would.
#ifndef CORVANA_TESTING_CORPUS_INSTALL_H_
#define CORVANA_TESTING_CORPUS_INSTALL_H_

#include <cstdlib>
#include <filesystem>
#include <string>

#include "testing/shell_quote.h"

namespace corpus_install {

// The corpus directory, or an empty path when CORVANA_CORPUS names none.
inline std::filesystem::path CorpusDir() {
  const char* corpus = std::getenv("CORVANA_CORPUS");
  if (corpus == nullptr || !std::filesystem::exists(std::filesystem::path(corpus) / "acts")) {
    return {};
  }
  return corpus;
}

// Lays out a new installation `install` with the corpus's heading
// definitions and imports its acts, code tables and modification lines
// with the update program `pkgrun`. Returns the command when it failed,
// "" when it succeeded.
inline std::string ImportCorpus(const std::string& pkgrun, const std::filesystem::path& corpus,
                                const std::filesystem::path& install) {
  std::filesystem::remove_all(install);
  std::filesystem::create_directories(install);
  std::filesystem::copy_file(corpus / "adn2.txt", install / "adn2.txt");
  const std::string command =
      ShellQuote(pkgrun) + " --install-dir " + ShellQuote(install) + " --codes " +
      ShellQuote(corpus / "codes.tsv") + " --modif " + ShellQuote(corpus / "modif.txt") +
      " --modart " + ShellQuote(corpus / "modart.txt") + " " + ShellQuote(corpus / "acts") +
      " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 ? "" : command;
}

}  // namespace corpus_install

#endif  // CORVANA_TESTING_CORPUS_INSTALL_H_
