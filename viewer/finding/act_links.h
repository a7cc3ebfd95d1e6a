// The links of an act page: a click on a reference to another act opens
// that act in a new act window and adds it to the history; the language
// link opens the act's version in the other language; resting on a link
// shows what it leads to. Every other link (pictures, anchors of the page,
// search-hit anchors) is left to the page's viewer.
#ifndef CORVANA_VIEWER_FINDING_ACT_LINKS_H_
#define CORVANA_VIEWER_FINDING_ACT_LINKS_H_

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "viewer/hypertext/hypertext_view.h"

namespace actsdb {
class Dataset;
}

namespace finding {

class ActLinks {
 public:
  struct Services {
    // The installation directory the act pages were made for (no trailing
    // "/"): their rewritten links start with it.
    std::string install_dir;
    // `tblActeNef`: a lookup positions it on the act a link names.
    actsdb::Dataset* acts = nullptr;
    // The act key of the acts list's current act; "" without one.
    std::function<std::string()> list_key;
    // The hint of the act `acts` stands on: its display title and its
    // title without tags (Windows-1250).
    std::function<std::string()> located_hint;
    // Opens the act `acts` stands on in a new act window, after adding it
    // to the history.
    std::function<void(int64_t id_act)> open;
    // Writes the status line's second panel.
    std::function<void(const QString& text)> status;
  };

  explicit ActLinks(Services services) : services_(std::move(services)) {}

  // Makes the links of `view`, the page of an act whose language is
  // `act_language` ('R' Romanian), follow these rules.
  void Attach(hypertext::HypertextView* view, char act_language);

  // A click on `target`: whether it was handled. A reference that names no
  // act is handled too, opening nothing.
  bool Click(hypertext::HypertextView& view, const QString& target, char act_language);
  // The pointer came over `target`, or left a link (empty target).
  void Hover(hypertext::HypertextView& view, const QString& target);

 private:
  Services services_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_ACT_LINKS_H_
