// Opening an act: its page produced from the stored row, and the act
// window made, loaded and laid out up to the first paint of its page; beside
// them a bare Qt rich-text browser loading the same page text up to its
// first paint, in the same run. Then what the hits of a three-word text
// search add: their marking in the produced page, and the act window
// opened with them marked and highlighted. Two acts of the corpus: the
// largest (by its hypertext) and the one of median size.
//
// The corpus is imported once by the update program into
// $CORVANA_BENCH_DIR (default /tmp/corvana_act_open_bench) and reused by
// later runs. Windows are painted on Qt's offscreen platform unless
// QT_QPA_PLATFORM names another.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTextBrowser>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "actsdb/codepage.h"
#include "actsdb/installation.h"
#include "actsdb/store.h"
#include "viewer/finding/text_words.h"
#include "viewer/viewing/act_page.h"
#include "viewer/viewing/act_source.h"
#include "viewer/viewing/act_window.h"
#include "viewer/viewing/hit_marking.h"

namespace {

namespace fs = std::filesystem;

struct Act {
  std::string key;
  viewing::ActPageRow row;
};

struct Corpus {
  std::string install_dir;
  Act largest;
  Act median;
};

std::string Quote(const std::string& arg) { return "'" + arg + "'"; }

// The installation of the corpus, imported on first use.
std::string Installation() {
  const char* env = std::getenv("CORVANA_BENCH_DIR");
  const fs::path dir = env ? env : "/tmp/corvana_act_open_bench";
  if (fs::exists(actsdb::DatabasePath(dir))) return dir;
  const char* corpus_env = std::getenv("CORVANA_CORPUS");
  const fs::path corpus = corpus_env ? corpus_env : CORVANA_CORPUS_DIR;
  if (!fs::is_directory(corpus / "acts")) return "";
  fs::create_directories(dir);
  fs::copy_file(corpus / "adn2.txt", dir / "adn2.txt", fs::copy_options::overwrite_existing);
  const std::string command = std::string(PKGRUN_BIN) + " --install-dir " + Quote(dir) +
                              " --codes " + Quote(corpus / "codes.tsv") + " " +
                              Quote(corpus / "acts") + " > /dev/null";
  if (std::system(command.c_str()) != 0) {
    std::cerr << "act_open_bench: the import failed: " << command << "\n";
    return "";
  }
  return dir;
}

Act ReadAct(actsdb::Dataset& acts) {
  Act act{acts.AsString("IndNum"), viewing::ReadActPageRow(acts)};
  act.row.disp_titlu = act.key;
  return act;
}

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    c.install_dir = Installation();
    if (c.install_dir.empty()) return c;
    auto db = actsdb::Database::Open(actsdb::DatabasePath(c.install_dir));
    actsdb::Table acts(*db, "tblActe");
    acts.Open();
    std::vector<std::pair<int64_t, int64_t>> sizes;  // TextSize, IdAct
    for (bool more = acts.First(); more; more = acts.Next()) {
      sizes.emplace_back(acts.AsInteger("TextSize"), acts.AsInteger("IdAct"));
    }
    std::sort(sizes.begin(), sizes.end());
    acts.Locate("IdAct", sizes.back().second);
    c.largest = ReadAct(acts);
    acts.Locate("IdAct", sizes[sizes.size() / 2].second);
    c.median = ReadAct(acts);
    std::cerr << "largest: " << c.largest.key << ", " << c.largest.row.text_size
              << " bytes of hypertext; median: " << c.median.key << ", " << c.median.row.text_size
              << " bytes; " << sizes.size() << " acts\n";
    return c;
  }();
  return corpus;
}

const Act* ActOf(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  if (corpus.install_dir.empty()) {
    state.SkipWithError("no corpus to import");
    return nullptr;
  }
  const Act* act = state.range(0) == 0 ? &corpus.largest : &corpus.median;
  state.SetLabel(act->key);
  return act;
}

// Shows `widget` and returns once `painted` (its page's viewport) has been
// painted.
void ShowUntilPainted(QWidget& widget, QWidget& painted) {
  struct Watch : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) seen = true;
      return false;
    }
  } watch;
  painted.installEventFilter(&watch);
  widget.resize(1200, 800);
  widget.show();
  while (!watch.seen) QApplication::processEvents(QEventLoop::AllEvents, 5);
  painted.removeEventFilter(&watch);
}

void BM_ProducePage(benchmark::State& state) {
  const Act* act = ActOf(state);
  if (!act) return;
  const std::string install_dir = TheCorpus().install_dir;
  for (auto _ : state) {
    benchmark::DoNotOptimize(viewing::ProduceActPage(act->row, install_dir));
  }
}

// Opens the act window up to the first paint of its page, marked with the
// hits of `stems` when there are any.
void OpenActWindow(benchmark::State& state, std::vector<std::string> stems) {
  const Act* act = ActOf(state);
  if (!act) return;
  viewing::ActWindowSetup setup;
  setup.row = act->row;
  setup.install_dir = QString::fromStdString(TheCorpus().install_dir);
  setup.font = QFont("Times New Roman", 12);
  setup.font_color = Qt::black;
  setup.search_stems = std::move(stems);
  for (auto _ : state) {
    viewing::ActWindow window(setup);
    ShowUntilPainted(window, *window.viewer()->viewport());
  }
}

void BM_OpenActWindow(benchmark::State& state) { OpenActWindow(state, {}); }

// The stems of a three-word search, typed as a user types it.
std::vector<std::string> SearchStems() {
  std::vector<std::string> stems;
  for (const std::string& word : finding::SplitTextWords("contractului achizi\xFEie public\xE3")) {
    stems.push_back(finding::SearchStem(word));
  }
  return stems;
}

void BM_MarkHits(benchmark::State& state) {
  const Act* act = ActOf(state);
  if (!act) return;
  const viewing::ActPage page = viewing::ProduceActPage(act->row, TheCorpus().install_dir);
  const std::vector<std::string> stems = SearchStems();
  int hits = 0;
  for (auto _ : state) {
    viewing::ActPage marked = page;
    hits = viewing::MarkActPage(marked, stems);
    benchmark::DoNotOptimize(marked);
  }
  state.counters["hits"] = hits;
}

void BM_OpenMarkedActWindow(benchmark::State& state) { OpenActWindow(state, SearchStems()); }

void BM_BareBrowser(benchmark::State& state) {
  const Act* act = ActOf(state);
  if (!act) return;
  const QString page = QString::fromStdString(
      actsdb::Cp1250ToUtf8(viewing::ProduceActPage(act->row, TheCorpus().install_dir).html));
  for (auto _ : state) {
    QTextBrowser browser;
    browser.setHtml(page);
    ShowUntilPainted(browser, *browser.viewport());
  }
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

// Act 0: the largest; act 1: the one of median size.
#define ACT_BENCHMARK(name)           \
  BENCHMARK(name)                     \
      ->ArgName("act")                \
      ->Arg(0)                        \
      ->Arg(1)                        \
      ->Unit(benchmark::kMillisecond) \
      ->UseRealTime()                 \
      ->ComputeStatistics("min", Min) \
      ->ComputeStatistics("max", Max)

ACT_BENCHMARK(BM_ProducePage);
ACT_BENCHMARK(BM_OpenActWindow);
ACT_BENCHMARK(BM_BareBrowser);
ACT_BENCHMARK(BM_MarkHits);
ACT_BENCHMARK(BM_OpenMarkedActWindow);

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
