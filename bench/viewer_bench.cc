// The viewer's start-up on a large database, measured as a user meets it:
// from the start of the process to the main window's first paint, the peak
// memory, and one sort of the grid by title (a click on its title).
//
//   viewer_bench make DIR [ACTS]   lays out an installation of ACTS acts
//                                  (default 120000) with its dump.dst
//   viewer_bench DIR [RUNS]        starts the viewer RUNS times (default 7)
//                                  in full-load mode and prints the median
//                                  and range of each figure
//
// Every run also times a fixed piece of work (sorting 2,000,000 numbers)
// as the anchor: a noisy machine shows there too. Build it Release.
#include <sys/resource.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "actsdb/installation.h"
#include "actsdb/schema.h"
#include "actsdb/store.h"
#include "viewer/finding/results_grid.h"
#include "viewer/shell/corvanex.h"
#include "viewer/shell/splash.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double AnchorMs() {
  std::mt19937_64 random(42);
  std::vector<uint64_t> numbers(2000000);
  for (uint64_t& n : numbers) n = random();
  const int64_t start = NowNs();
  std::sort(numbers.begin(), numbers.end());
  return (NowNs() - start) / 1e6;
}

const char* const kWords[] = {"privind", "aprobarea", "normelor", "metodologice", "aplicare",
                              "legii", "achizitiilor", "publice", "modificarea", "completarea",
                              "ordonantei", "guvernului", "regimul", "contractelor", "concesiune",
                              "lucrari", "servicii", "organizarea", "functionarea", "autoritatii"};

int Make(const std::string& dir, int count) {
  fs::remove_all(dir);
  fs::create_directories(dir + "/" + actsdb::kDatabaseDirName);
  fs::create_directories(dir + "/htm/right");
  std::ofstream(dir + "/htm/right/index.htm") << "<html><body>Corvana</body></html>\n";
  auto db = actsdb::Database::Open(actsdb::DatabasePath(dir), /*create=*/true);
  actsdb::CreateSchema(*db);
  db->Begin();
  const char* const types[] = {"Lege", "Hotarare", "Ordonanta", "Ordin", "Decizie"};
  actsdb::Table type_table(*db, "tblTipAct");
  type_table.Open(true);
  for (const char* type : types) {
    type_table.Append();
    type_table.SetString("TipAct", type);
    type_table.Post();
  }
  type_table.Close();
  std::mt19937 random(7);
  actsdb::Table acts(*db, "tblActe");
  acts.Open(true);
  for (int i = 0; i < count; ++i) {
    std::string title = kWords[random() % 20];
    while (title.size() < 90) title += std::string(" ") + kWords[random() % 20];
    acts.Append();
    acts.SetInteger("IdTipAct", i % 5 + 1);
    acts.SetInteger("NrOficial", i / 5 + 1);
    acts.SetInteger("Anul", 1990 + i % 32);
    acts.SetDate("Data", actsdb::Date{1990 + i % 32, 1 + i % 12, 1 + i % 28});
    acts.SetDate("DataPub", actsdb::Date{1990 + i % 32, 1 + i % 12, 1 + i % 28});
    acts.SetInteger("Rep", 0);
    acts.SetInteger("Numar", i % 1000);
    acts.SetString("Titlu", title);
    acts.SetString("Limba", "R");
    acts.SetString("IndNum", "L P " + std::to_string(i + 1) + " " + std::to_string(1990 + i % 32) + " 0");
    acts.Post();
  }
  acts.Close();
  db->Commit();
  actsdb::ClientDataset::SaveActsList(*db, dir + "/dump.dst");
  std::printf("%d acts in %s\n", count, dir.c_str());
  return 0;
}

// One start of the viewer in this process; prints the moment of the first
// paint, the sort time and the peak memory.
int RunOnce(const std::string& dir) {
  int argc = 1;
  char name[] = "viewer_bench";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  shell::Splash splash;
  splash.show();
  app.processEvents();
  shell::Corvanex corvanex(QString::fromStdString(dir));
  shell::MainWindow& main = corvanex.main_window();
  // The first paint of the main window that shows the acts: the grid's.
  struct FirstPaint : QObject {
    int64_t at = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && at == 0) at = NowNs();
      return false;
    }
  } first_paint;
  main.grid()->table()->viewport()->installEventFilter(&first_paint);
  if (const QScreen* screen = main.screen()) main.setGeometry(screen->availableGeometry());
  main.showMaximized();
  splash.finish(&main);
  while (first_paint.at == 0) app.processEvents(QEventLoop::WaitForMoreEvents);


  finding::ResultsGrid* grid = main.grid();
  int title = 0;
  const finding::ColumnLayout layout = grid->layout();
  while (layout[static_cast<size_t>(title)].field != "Titlu") ++title;
  const int64_t sort_start = NowNs();
  grid->TitleClick(title, false);
  grid->table()->viewport()->repaint();
  const double sort_ms = (NowNs() - sort_start) / 1e6;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%lld %.2f %.1f %d\n", static_cast<long long>(first_paint.at), sort_ms,
              usage.ru_maxrss / 1024.0, grid->model()->rowCount());
  return 0;
}

struct Stats {
  std::vector<double> values;
  std::string Describe() const {
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    char text[96];
    std::snprintf(text, sizeof text, "median %.1f (%.1f .. %.1f)", v[v.size() / 2], v.front(), v.back());
    return text;
  }
};

int Measure(const std::string& self, const std::string& dir, int runs) {
  // Full-load mode, whatever the installation's settings say.
  std::ofstream(dir + "/optiuni.ini") << "[Performanta]\r\nunder32mb=0\r\nover32mb=1\r\n";
  Stats paint, sort, memory, anchor;
  int rows = 0;
  for (int i = 0; i < runs; ++i) {
    anchor.values.push_back(AnchorMs());
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return 2;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    std::string once = "--once";
    std::vector<char*> argv = {const_cast<char*>(self.c_str()), once.data(),
                               const_cast<char*>(dir.c_str()), nullptr};
    const int64_t start = NowNs();
    pid_t child = 0;
    if (posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ) != 0) return 2;
    close(pipe_fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    long long painted = 0;
    double sort_ms = 0, peak_mb = 0;
    if (std::sscanf(out.c_str(), "%lld %lf %lf %d", &painted, &sort_ms, &peak_mb, &rows) != 4) {
      std::fprintf(stderr, "run %d: %s\n", i, out.c_str());
      return 2;
    }
    paint.values.push_back((painted - start) / 1e6);
    sort.values.push_back(sort_ms);
    memory.values.push_back(peak_mb);
  }
  std::printf("%d acts, %d runs, full-load mode\n", rows, runs);
  std::printf("first paint, ms:   %s\n", paint.Describe().c_str());
  std::printf("peak memory, MB:   %s\n", memory.Describe().c_str());
  std::printf("title sort, ms:    %s\n", sort.Describe().c_str());
  std::printf("anchor (sort of 2,000,000 numbers), ms: %s\n", anchor.Describe().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "make" && argc >= 3) return Make(argv[2], argc > 3 ? std::atoi(argv[3]) : 120000);
  if (mode == "--once" && argc == 3) return RunOnce(argv[2]);
  if (argc >= 2 && mode[0] != '-') {
    return Measure(fs::canonical("/proc/self/exe").string(), argv[1], argc > 2 ? std::atoi(argv[2]) : 7);
  }
  std::fprintf(stderr, "usage: viewer_bench make DIR [ACTS] | viewer_bench DIR [RUNS]\n");
  return 2;
}
