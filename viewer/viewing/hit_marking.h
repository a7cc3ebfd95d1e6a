// The hits of a text search marked in an act's page, and stepping from hit
// to hit.
//
// An act opened from the result of a text search shows where the search
// words stand. The hitmark library finds the places: a hit is a word that
// begins with one of the search words' stems and has a word beginning with
// each of the other stems less than 200 bytes away; hits are numbered from
// 1 in text order. Each hit becomes the anchor "tp+N" around the word,
// between a link back to "tp+(N-1)" and one forward to "tp+(N+1)".
//
// Only the act text of the page is marked, and only its words. The library
// is handed a copy of the text in which markup (tags, character references)
// and every character that is not a letter of the index's words are blanks,
// and looks for the stems at word starts, ignoring case and folding the
// Romanian letters with diacritics as the search folds them. So tags, links
// and part anchors stay whole, a word typed with or without diacritics
// marks the same places, and the anchor spans the whole inflected word
// rather than the stem alone.
//
// All text is Windows-1250.
#ifndef CORVANA_VIEWER_VIEWING_HIT_MARKING_H_
#define CORVANA_VIEWER_VIEWING_HIT_MARKING_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/viewing/act_page.h"

namespace viewing {

struct MarkedText {
  std::string text;
  int hits = 0;
};

// Marks the hits of `stems` (search words reduced as the search reduces
// them) in `text`, an act's hypertext. Stems that are empty or hold other
// characters than letters take no part; with none left, or no hit, the
// text comes back unchanged. A search of more than 12 stems uses the
// first 12, as the library does.
MarkedText MarkHits(std::string_view text, const std::vector<std::string>& stems);

// Marks the act text of `page` in place, leaving the rest of the page as it
// is; returns the number of hits.
int MarkActPage(ActPage& page, const std::vector<std::string>& stems);

// Stepping through the hits 1 to count of a marked page. Before the first
// step no hit is current; stepping wraps around at both ends.
class HitSteps {
 public:
  explicit HitSteps(int count) : count_(count > 0 ? count : 0) {}

  int count() const { return count_; }
  // The current hit, 0 before the first step and on a page without hits.
  int current() const { return current_; }

  // The hit after the current one: the first after the last, and the first
  // before any step. Returns the new current hit.
  int Next();
  // The hit before the current one: the last before the first, and the
  // last before any step.
  int Previous();
  // A click on the page's link to "tp+K": hit K, where the first hit's back
  // link (K = 0) reaches the last hit and the last hit's forward link
  // (K = count + 1) the first. Nothing for any other K.
  std::optional<int> Follow(int k);

  // "Potrivirea N din M".
  std::string Status() const;

 private:
  int count_;
  int current_ = 0;
};

// The name of hit n's anchor, "tp+N".
std::string HitAnchor(int n);
// K of a link target "#tp+K" (or "tp+K"); nothing for any other target.
std::optional<int> HitLinkNumber(std::string_view target);

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_HIT_MARKING_H_
