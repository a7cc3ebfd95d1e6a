// The user's settings and the file that keeps them ("optiuni.ini" in the
// installation directory), without any window: the options window shows
// and edits an Options, the data module reads its load mode, act windows
// read its font.
//
// The file is a sectioned settings file ("[Section]" lines followed by
// "Key=Value" lines; section and key names compare ignoring case). Booleans
// are the digits 1 and 0; on reading, any integer counts (non-zero is true)
// and anything else yields the key's default. Keys are read in a fixed
// order, and the radio-button groups (connection; load mode) follow the
// rule of radio buttons set one after the other: a key read as 1 clears the
// keys of its group read before it, a key read as 0 clears only itself, and
// a missing or bad key counts as its default read. So "over32mb=1" (or no
// "over32mb" at all) means full load whatever "under32mb" says, and both 0
// means neither mode is chosen.
//
// The update program reads the mail settings from the same file, so its
// format stays as it is. Lines the viewer does not know are kept when it
// rewrites the file. The file holds the mail password as typed, so it is
// written readable by its owner only.
#ifndef CORVANA_VIEWER_SHELL_OPTIONS_H_
#define CORVANA_VIEWER_SHELL_OPTIONS_H_

#include <cstdint>
#include <string>

#include "actsdb/acts_views.h"

namespace shell {

inline constexpr char kOptionsFile[] = "optiuni.ini";

// The Windows character sets an act window's font can ask for: the default
// one until the user opens the font dialog, Central European after.
inline constexpr int kDefaultCharset = 1;
inline constexpr int kCentralEuropeanCharset = 238;

using LoadMode = actsdb::LoadMode;

// Every setting of the file, with its default. Texts are Windows-1250.
struct Options {
  // [Font]: the font of act texts. The colour is a Windows colour value
  // (0x00BBGGRR).
  std::string font_name = "Times New Roman";
  int64_t font_color = 0;
  int font_size = 12;
  // [Conexiune]: one of three radio buttons.
  bool conn_none = true;
  bool conn_local = false;
  bool conn_dial = false;
  // [Update]
  bool update_mail = false;
  bool update_web = false;
  std::string mail_account;
  std::string mail_user;
  std::string mail_password;
  // [Performanta]: one of two radio buttons, or neither.
  bool under32mb = false;
  bool over32mb = true;
  // [Dial]
  std::string dial_user;
  std::string dial_pass;
  std::string dial_phon;
  // [Cautare]: whether an act opened from the result of a text search shows
  // the hits of its words.
  bool mark_hits = true;

  LoadMode load_mode() const;
  // Chooses a load mode as its radio button would (kNone clears both).
  void set_load_mode(LoadMode mode);
};

// Reads the settings of `path`; a missing or unreadable file gives the
// defaults, and so does every value that is missing or not valid.
Options ReadOptions(const std::string& path);

// Writes every setting into `path`, keeping the file's other sections and
// keys, through a new file (mode 0600) renamed over the old one. Returns
// false when the file could not be written; the old file then stays.
bool WriteOptions(const std::string& path, const Options& options);

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_OPTIONS_H_
