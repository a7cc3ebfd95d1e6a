// The reflow of an act's raw lines into the lines every later import step
// reads: character conversion, joining of wrapped lines, and preformatted
// blocks copied as they are.
#ifndef CORVANA_IDXCORE_IMPORT_REFLOW_H_
#define CORVANA_IDXCORE_IMPORT_REFLOW_H_

#include <string>
#include <vector>

namespace idxcore {

// True when the act is in the older 8-bit encoding, recognised by its
// Romanian letters at 0xF0-0xF9. A Windows-1250 act holds none of those
// bytes, and converting it would turn its capital breve and circumflex A
// (0xC3, 0xC2) into dashes.
bool IsOldEncoding(const std::vector<std::string>& lines);

// Converts one line in place. 0xF8 always becomes 0xE2. Unless
// `hungarian`, an act in the old encoding also has its box-drawing and
// letter bytes mapped to Windows-1250 (`old_encoding` comes from
// IsOldEncoding over the whole act).
void ConvertLine(std::string& line, bool hungarian, bool old_encoding);

// Appends the reflowed lines of `source` to `dest` and returns the number
// of source lines. A line that starts with a letter, digit, quote,
// parenthesis, "/" or "_" continues the previous output line unless that
// one ended a sentence (or was not joinable); lines from one starting with
// byte 0x02 to the next starting with 0x01 are copied one to one.
// `origin`, when given, receives for each appended line the 1-based
// number of the source line it begins with. `source` is taken by value: a
// caller done with its lines moves them in, and they are not copied.
size_t Transform(std::vector<std::string> source, std::vector<std::string>& dest,
                 bool hungarian, std::vector<size_t>* origin = nullptr);

}  // namespace idxcore

#endif  // CORVANA_IDXCORE_IMPORT_REFLOW_H_
