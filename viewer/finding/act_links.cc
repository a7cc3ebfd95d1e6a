#include "viewer/finding/act_links.h"

#include "actsdb/store.h"
#include "viewer/finding/act_key.h"
#include "viewer/finding/link_targets.h"

namespace finding {

using hypertext::FromCp1250;
using hypertext::ToCp1250;

void ActLinks::Attach(hypertext::HypertextView* view, char act_language) {
  QObject::connect(view, &hypertext::HypertextView::linkClicked, view,
                   [this, view, act_language](const QString& target, bool* handled) {
                     if (Click(*view, target, act_language)) *handled = true;
                   });
  QObject::connect(view, &hypertext::HypertextView::linkHovered, view,
                   [this, view](const QString& target) { Hover(*view, target); });
}

bool ActLinks::Click(hypertext::HypertextView& view, const QString& target, char act_language) {
  view.SetHintShown(false);
  const LinkTarget link = ClassifyLink(ToCp1250(target), services_.install_dir);
  bool found = false;
  switch (link.kind) {
    case LinkTarget::Kind::kOther:
      return false;
    case LinkTarget::Kind::kLanguage:
      found =
          services_.acts->Locate("IndNum", OtherLanguageKey(services_.list_key(), act_language));
      break;
    case LinkTarget::Kind::kAct:
      found = LocateActByKey(*services_.acts, link.reference);
      break;
  }
  if (found) services_.open(services_.acts->AsInteger("IdAct"));
  return true;
}

void ActLinks::Hover(hypertext::HypertextView& view, const QString& target) {
  if (target.isEmpty()) {
    services_.status(QString());
    view.SetHint(QString());
    view.SetHintShown(false);
    return;
  }
  const LinkTarget link = ClassifyLink(ToCp1250(target), services_.install_dir);
  if (link.kind == LinkTarget::Kind::kLanguage) {
    view.SetHint(QStringLiteral("Selecteaza limba"));
    view.SetHintShown(true);
  } else if (link.kind == LinkTarget::Kind::kAct) {
    services_.status(QStringLiteral("Asteptati..."));
    if (LocateActByKey(*services_.acts, link.reference)) {
      view.SetHint(FromCp1250(services_.located_hint()));
      view.SetHintShown(true);
    } else {
      view.SetHint(QString());
    }
  }
}

}  // namespace finding
