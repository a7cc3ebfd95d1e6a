#include "viewer/shell/commands.h"

namespace shell {
namespace {

constexpr MenuEntry kMenu[] = {
    {Command::kOpenAct, "&Acte", "&Vizualizare", "Deschide actul selectat", Needs::kNothing},
    {Command::kStructure, "&Acte", "&Structura", "Structura actului", Needs::kCurrentAct},
    {Command::kModSuffered, "&Acte", "&Modifcari suferite", "Modificarile suferite de act",
     Needs::kNothing},
    {Command::kModBrought, "&Acte", "Mo&dificari aduse", "Modificarile aduse altor acte",
     Needs::kNothing},
    {Command::kActSheet, "&Acte", "&Fisa actului", "Afiseaza fisa actului", Needs::kCurrentAct},
    {Command::kPrint, "&Acte", "&Tipareste...", "Tipareste actul selectat", Needs::kActiveAct, true},
    {Command::kPrintModifications, "&Acte", "Tipareste modificarile...",
     "Tipareste modificarile actului selectat", Needs::kActiveAct},
    {Command::kPrintPreview, "&Acte", "&Previzualizare...", "Previzulizare pentru tiparire",
     Needs::kActiveAct},
    {Command::kPrinterSetup, "&Acte", "&Optiuni imprimanta...", "Optiuni pentru imprimanta",
     Needs::kNothing},
    {Command::kExit, "&Acte", "&Iesire", "Paraseste Corvana", Needs::kNothing, true},
    {Command::kCopy, "&Editare", "&Copiaza", "Copiaza paragraful selectat in Clipboard",
     Needs::kCurrentAct},
    {Command::kHistory, "&Editare", "&Istoric", "Lista actelor vizulizate", Needs::kNothing},
    {Command::kAddFavorite, "&Editare", "&Adauga actul curent", "Adauga actul curent la favorite",
     Needs::kCurrentAct, false, "&Favorite"},
    {Command::kFavorites, "&Editare", "&Lista favorite...", "Lista actelor favorite",
     Needs::kNothing, false, "&Favorite"},
    {Command::kFindInText, "&Editare", "&Cauta in text...", "Cauta in actul deschis",
     Needs::kNothing},
    {Command::kFindAct, "&Filtrare", "&Cauta Act...", "Cauta actul dupa tip, numar si an",
     Needs::kNothing},
    {Command::kFilter, "&Filtrare", "&Filtrare...",
     "Filtreaza actele dupa criterile alese de dumneavoastra", Needs::kNothing},
    {Command::kShowGrid, "&Filtrare", "&Grila", "Afiseaza grila cu acte", Needs::kNothing},
    {Command::kOptions, "Optiuni", "Optiuni...", "Configurare optiuni...", Needs::kNothing},
    {Command::kLanguage, "Optiuni", "&Limba", "Selecteaza limba", Needs::kNothing},
    {Command::kUpdate, "Optiuni", "&Update automat", "Executa operatia de update", Needs::kNothing},
    {Command::kToolbar, "Fe&restre", "&Bara de instrumente", "Afiseaza sau ascunde bara de instumente",
     Needs::kNothing},
    {Command::kTile, "Fe&restre", "&Caramizi", "Aranjeaza ferestrele in sistem \"caramizi\"",
     Needs::kNothing, true},
    {Command::kCascade, "Fe&restre", "Ca&scada", "Aranjeaza ferestrele in sistem \"cascada\"",
     Needs::kNothing},
    {Command::kArrangeIcons, "Fe&restre", "&Aranjeaza iconitele", "Aranjeaza iconitele",
     Needs::kNothing},
    {Command::kCloseAll, "Fe&restre", "&Inchide toate", "", Needs::kNothing},
    {Command::kAssistant, "A&jutor", "&Asistent", "Afiseaza continutul sistemului de asistenta",
     Needs::kNothing},
    {Command::kBonus, "A&jutor", "&Bonus", "", Needs::kNothing},
    {Command::kAbout, "A&jutor", "&Despre program", "Informatii despre program", Needs::kNothing,
     true},
};

constexpr ToolbarEntry kToolbar[] = {
    {Command::kBack, "Inapoi"},
    {Command::kForward, "Inainte", true},
    {Command::kFindAct, "Cauta act"},
    {Command::kFilter, "Filtrare"},
    {Command::kPrint, "Tiparire", true},
    {Command::kShowGrid, "Grila"},
    {Command::kOpenAct, "Vizualizare"},
};

}  // namespace

std::span<const MenuEntry> MenuEntries() { return kMenu; }
std::span<const ToolbarEntry> ToolbarEntries() { return kToolbar; }

const MenuEntry* FindMenuEntry(Command command) {
  for (const MenuEntry& entry : kMenu) {
    if (entry.command == command) return &entry;
  }
  return nullptr;
}

Needs CommandNeeds(Command command) {
  const MenuEntry* entry = FindMenuEntry(command);
  return entry ? entry->needs : Needs::kNothing;
}

}  // namespace shell
