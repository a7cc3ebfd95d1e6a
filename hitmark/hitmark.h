// hitmark: marks the places of an act's hypertext where search words occur
// close to each other.
//
// A caller hands over a search text and an act hypertext; the library finds
// every place where each search word has all the other search words within
// 200 bytes, wraps each such hit in a numbered anchor "tp+N" flanked by a back
// link to "tp+(N-1)" and a forward link to "tp+(N+1)", and keeps the marked
// copy until the caller fetches it. The first hit's back link and the last
// hit's forward link name anchors that do not exist; a reader's page simply
// does not move.
//
// Matching works on copies of the search words and of the hypertext in which
// "|" becomes "A", the Romanian letters with breve, circumflex and cedilla
// become their base letters and, unless case is to be matched, everything is
// upper-cased in the Windows-1250 code page. Both copies keep their lengths,
// so the output always carries the hypertext's own bytes. A search word is
// found as a plain substring: inside longer words, inside tags and attribute
// values, and overlapping itself.
//
// All text is Windows-1250, NUL-terminated. The library has no threads and
// one pending result: calls must not overlap.
#ifndef CORVANA_HITMARK_HITMARK_H_
#define CORVANA_HITMARK_HITMARK_H_

#include <stdint.h>

#define HITMARK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

// Marks the hits of `words` in `text` and keeps the result for _prelgt.
//
// Search words are cut from `words` at blanks (0x20 only; punctuation belongs
// to the word; empty words are dropped), or, when `phrase` is true, the whole
// search text is one word. A search of more than 12 words uses its first 12
// and ignores the rest. When `whole_words` is true every search word is
// preceded by one blank, so it matches only after a blank and the blank
// belongs to the hit. When `match_case` is false letter case is ignored.
// The three flags are 32-bit values of which only the low byte counts
// (0 = false).
//
// Stores the marked text's length (without its terminator) in
// *result_length and returns it; stores the number of hits in *hit_count.
// With no hit the marked text is `text` unchanged. Null `words` or `text`
// count as empty strings; null output pointers are not written. Each hit
// adds under 100 bytes of markup, and the marked text must stay below 2 GiB
// for its length to be reported.
HITMARK_API int32_t _prelct(const char* words, const char* text,
                            int32_t* result_length, int32_t* hit_count,
                            int32_t whole_words, int32_t match_case,
                            int32_t phrase);

// Copies the marked text of the last _prelct, terminator included, into
// `buffer` (at least result_length + 1 bytes) and releases the library's
// copy. Call it once after each _prelct. Without a pending result it writes
// an empty string; a null buffer only releases the result.
HITMARK_API void _prelgt(char* buffer);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // CORVANA_HITMARK_HITMARK_H_
