// Windows-1250 text.
//
// Every text inside Corvana is a byte string in the Central European code
// page 1250, exactly as the acts arrive. Conversion to and from UTF-8
// happens only at the edges: the SQLite store, Qt strings and files a user
// hands in.
#ifndef CORVANA_ACTSDB_CODEPAGE_H_
#define CORVANA_ACTSDB_CODEPAGE_H_

#include <string>
#include <string_view>
#include <vector>

namespace actsdb {

// Windows-1250 bytes to UTF-8. Every byte maps (the five unassigned bytes of
// the code page map to their C1 code points so that the round trip is exact).
std::string Cp1250ToUtf8(std::string_view text);

// UTF-8 to Windows-1250. The Romanian letters with comma below (U+0218 to
// U+021B) become the code page's letters with cedilla; a character the code
// page lacks becomes "?". Malformed UTF-8 bytes are taken as Windows-1250.
// Every character gives one byte; with `starts`, that byte's character
// begins at (*starts)[i] in `text`, for each output byte i.
std::string Utf8ToCp1250(std::string_view text, std::vector<size_t>* starts = nullptr);

// True when the bytes are well-formed UTF-8 holding at least one multi-byte
// sequence: what a plain-text file saved as UTF-8 looks like.
bool LooksLikeUtf8(std::string_view text);

// The system upper-casing of the code page: ASCII letters and the accented
// lower-case letters of Windows-1250 become their capitals; every other byte
// is kept.
char UpperChar(char c);
std::string UpperCase(std::string_view text);

// The Romanian letters (breve, circumflex, cedilla and comma forms in both
// cases) replaced by their ASCII base letters; every other byte is kept.
char FoldRomanian(char c);

}  // namespace actsdb

#endif  // CORVANA_ACTSDB_CODEPAGE_H_
