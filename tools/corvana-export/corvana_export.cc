// corvana-export: an act's page, exactly as its act window shows it, or
// what the viewer shows of its structure and modifications.
//
//   corvana-export [--install-dir DIR] (--key "HOT GUV 179 2002 0" | --id N)
//                  [--mod-suffered | --mod-brought | --outline | --mod-tree]
//                  [--utf8] [-o FILE]
//
// Writes the act's page, or with one of the options the page of the
// modifications the act suffered or brought as the results panel shows it,
// or the structure window's outline or modifications tree as indented text
// (a tab per level; per node its image number in parentheses, its text, a
// tab and its target), in Windows-1250 to FILE (default: the standard
// output). With --utf8 a page becomes a standalone UTF-8 file that a web
// browser shows by itself, the act page's pictures written beside it as
// files named after the page; a tree becomes UTF-8 text. Exit status: 0
// when the output was written, 1 when the act is not in the database, 2 on
// any other error.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "actsdb/codepage.h"
#include "actsdb/compress.h"
#include "actsdb/display_title.h"
#include "actsdb/install_dir.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "tools/corvana-export/standalone_page.h"
#include "viewer/finding/act_modifications.h"
#include "viewer/finding/modification_pages.h"
#include "viewer/viewing/act_page.h"
#include "viewer/viewing/act_source.h"
#include "viewer/viewing/structure_trees.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: corvana-export [--install-dir DIR] (--key \"HOT GUV 179 2002 0\" | --id N)"
    " [--mod-suffered | --mod-brought | --outline | --mod-tree] [--utf8] [-o FILE]\n";

// What to write of the act.
enum class Output { kPage, kModSuffered, kModBrought, kOutline, kModTree };

constexpr std::pair<const char*, Output> kOutputOptions[] = {
    {"--mod-suffered", Output::kModSuffered},
    {"--mod-brought", Output::kModBrought},
    {"--outline", Output::kOutline},
    {"--mod-tree", Output::kModTree},
};

struct Options {
  std::string install_dir;
  std::optional<std::string> key;  // Windows-1250
  std::optional<int64_t> id;
  Output what = Output::kPage;
  bool utf8 = false;
  std::string output;  // "" = standard output
};

std::optional<Output> OutputOption(const std::string& arg) {
  for (const auto& [name, output] : kOutputOptions) {
    if (arg == name) return output;
  }
  return std::nullopt;
}

std::optional<int64_t> ParseId(const std::string& text) {
  if (text.empty() || text.size() > 10 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoll(text);
}

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--install-dir" && has_value) {
      options.install_dir = argv[++i];
    } else if (arg == "--key" && has_value) {
      options.key = actsdb::Utf8ToCp1250(argv[++i]);
    } else if (arg == "--id" && has_value) {
      options.id = ParseId(argv[++i]);
      if (!options.id) return std::nullopt;
    } else if (arg == "-o" && has_value) {
      options.output = argv[++i];
    } else if (arg == "--utf8") {
      options.utf8 = true;
    } else if (const std::optional<Output> what = OutputOption(arg)) {
      if (options.what != Output::kPage) return std::nullopt;
      options.what = *what;
    } else {
      return std::nullopt;
    }
  }
  if (options.key.has_value() == options.id.has_value()) return std::nullopt;
  return options;
}

// The name of a code table's row, or "" when there is none.
std::string Name(actsdb::Database& db, const char* table, const char* key_column,
                 const char* name_column, const actsdb::Dataset& act, const char* act_column) {
  if (act.IsNull(act_column)) return "";
  actsdb::Table codes(db, table);
  codes.Open();
  return codes.Locate(key_column, act.AsInteger(act_column)) ? codes.AsString(name_column) : "";
}

std::optional<int64_t> Column(const actsdb::Dataset& row, const char* column) {
  if (row.IsNull(column)) return std::nullopt;
  return row.AsInteger(column);
}

viewing::ActPageRow ReadRow(actsdb::Database& db, const actsdb::Table& act) {
  viewing::ActPageRow row = viewing::ReadActPageRow(act);
  row.tip_act = Name(db, "tblTipAct", "IdTipAct", "TipAct", act, "IdTipAct");
  row.emitent = Name(db, "tblEmitenti", "IDEmitent", "Emitent", act, "IdEmitent");
  row.publicatia = Name(db, "tblPublicatii", "IdPublicatie", "Publicatia", act, "IdPublicatie");
  row.disp_titlu = actsdb::DispTitlu({row.tip_act, Column(act, "NrOficial"), Column(act, "Anul"),
                                      act.AsString("Titlu2"), Column(act, "Rep")});
  if (row.disp_titlu.size() > actsdb::kDispTitluWidth) {
    row.disp_titlu.resize(actsdb::kDispTitluWidth);
  }
  return row;
}

// A modification page or a tree of the act `act` stands on, as the viewer
// makes it (Windows-1250).
std::string StructureOutput(actsdb::Database& db, const actsdb::Table& act, Output what) {
  finding::ModificationReader reader(db);
  const int64_t id = act.AsInteger("IdAct");
  if (what == Output::kModSuffered) return finding::PageText(finding::BuildModPe(reader.Read(id)));
  if (what == Output::kModBrought) return finding::PageText(finding::BuildModDe(reader.Read(id)));
  const std::string structure =
      actsdb::Inflate(act.AsBlob("CompStruct"), static_cast<size_t>(act.AsInteger("StructSize")));
  viewing::Tree tree;
  if (what == Output::kOutline) {
    viewing::FillStructureTree(structure, reader.ActTitle(id), reader.ModifiedParts(id), &tree);
  } else {
    viewing::FillModificationsTree(structure, reader.Read(id), &tree);
  }
  return viewing::TreeText(tree);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

int Export(const Options& options) {
  std::unique_ptr<actsdb::Database> db =
      actsdb::Database::Open(actsdb::DatabasePath(options.install_dir));
  actsdb::Table acts(*db, "tblActe");
  acts.Open();
  const bool found =
      options.key ? acts.Locate("IndNum", *options.key) : acts.Locate("IdAct", *options.id);
  if (!found) {
    std::cerr << "corvana-export: no act "
              << (options.key ? "with the key \"" + actsdb::Cp1250ToUtf8(*options.key) + "\""
                              : "with the id " + std::to_string(*options.id))
              << " in " << db->path() << "\n";
    return 1;
  }
  std::string bytes;
  if (options.what != Output::kPage) {
    bytes = StructureOutput(*db, acts, options.what);
    const bool tree = options.what == Output::kOutline || options.what == Output::kModTree;
    if (options.utf8 && tree) {
      bytes = actsdb::Cp1250ToUtf8(bytes);
    } else if (options.utf8) {
      const auto no_pictures = [](const std::string&) { return std::nullopt; };
      bytes = corvana_export::MakeStandalone(bytes, no_pictures, "").html;
    }
  } else {
    const std::string install_dir = actsdb::WithoutTrailingSeparator(
        fs::absolute(options.install_dir).lexically_normal().string());
    const viewing::ActPage page =
        viewing::ProduceActPage(ReadRow(*db, acts), actsdb::Utf8ToCp1250(install_dir));
    bytes = page.html;
    if (options.utf8) {
      actsdb::Table images(*db, "tblImagini");
      images.Open();
      const fs::path out(options.output.empty() ? "page.htm" : options.output);
      const corvana_export::StandalonePage standalone = corvana_export::MakeStandalone(
          page.html, [&](const std::string& key) { return viewing::FindPicture(images, key); },
          out.stem().string());
      for (const corvana_export::PictureFile& picture : standalone.pictures) {
        WriteFile(out.parent_path() / picture.name, picture.bytes);
      }
      bytes = standalone.html;
    }
  }
  if (options.output.empty()) {
    std::cout << bytes;
    std::cout.flush();
    if (!std::cout) throw std::runtime_error("cannot write the standard output");
  } else {
    WriteFile(options.output, bytes);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> options = ParseArguments(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  if (options->install_dir.empty()) options->install_dir = actsdb::LookupInstallDir();
  if (options->install_dir.empty()) {
    std::cerr << "corvana-export: no installation directory: give --install-dir or set "
                 "CORVANA_HOME\n";
    return 2;
  }
  try {
    return Export(*options);
  } catch (const std::exception& e) {
    std::cerr << "corvana-export: " << e.what() << "\n";
    return 2;
  }
}
