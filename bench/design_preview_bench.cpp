// The design editor redraws its preview on every change: the time of one
// redraw, drawn by the print run's layout with the fit check, against the
// goal of 100 ms for one label (and of a second for a sheet, shown on
// demand). The shipped design 4 (reference,
// description and EAN-13) on a 63,5 x 38,1 mm label, and its whole A4
// sheet of 21 labels, each laid out and scaled to the screen; median of 30
// redraws after one that loads the fonts.
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "data/catalog.h"
#include "data/tables.h"
#include "labels/design_preview.h"
#include "labels/design_table.h"
#include "labels/label_run.h"

namespace {

namespace fs = std::filesystem;

double medianMs(const std::function<void()>& redraw) {
  redraw();
  std::vector<double> ms;
  for (int i = 0; i < 30; ++i) {
    const auto start = std::chrono::steady_clock::now();
    redraw();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::nth_element(ms.begin(), ms.begin() + 15, ms.end());
  return ms[15];
}

// One redraw as the editor does it: laid out at the printer's resolution,
// then scaled to the screen at 200 % (192 dots per inch).
void redraw(const std::vector<lb::LabelRow>& rows, const lb::LabelRunValues& run, lb::PreviewScope scope, double dpi) {
  const lb::DesignPreview p = lb::drawDesignPreview(rows, "CODPRO", run, scope, dpi, 600);
  const QImage shown = p.image.scaled((QSizeF(p.image.size()) * (192 / dpi)).toSize(), Qt::KeepAspectRatio,
                                      Qt::SmoothTransformation);
  if (shown.isNull()) std::printf("nothing drawn\n");
}

void line(const char* what, double ms, double goal) {
  std::printf("%-52s %8.1f ms   goal %5.0f ms   ratio %.2f\n", what, ms, goal, ms / goal);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const fs::path work = fs::temp_directory_path() / ("qv_preview_bench_" + std::to_string(::getpid()));
  fs::create_directories(work);
  for (const auto& e : fs::directory_iterator(QV_SHIPPED_DIR)) fs::copy_file(e.path(), work / e.path().filename());
  fs::current_path(work);
  qv::applyRunSettings();

  qv::WorkAreas& areas = qv::workAreas();
  areas.select(0);
  areas.use("CodPro.eti", "DATOSETI");
  qv::WorkArea& designs = areas.area();
  areas.select(0);
  areas.use("CodPro.dbf", "CODPRO");
  qv::WorkArea& product = areas.area();
  product.appendBlank();
  product.fieldPut(std::string_view("CODIGO"), xb::Value("841234567890"));
  product.fieldPut(std::string_view("DGCNT"), xb::Value("5"));
  product.fieldPut(std::string_view("COD_COMPL"), xb::Value("8412345678905"));
  product.fieldPut(std::string_view("NUMETI"), xb::Value("REF-77"));
  product.fieldPut(std::string_view("NOMETI"), xb::Value("PRODUCTO DE PRUEBA"));
  product.fieldPut(std::string_view("TIPOBAR"), xb::Value("13"));
  product.unlock();

  std::vector<lb::LabelRow> rows = lb::designRows(designs, lb::readDesignEntries(designs)[3]);
  lb::setProductType(rows, "CODPRO");
  lb::LabelRunValues run;
  run.top = 1.515 + lb::kInsetTop;
  run.left = 0.721 + lb::kInsetSide;
  run.labelHeight = 3.81;
  run.labelWidth = 6.35;
  run.rows = 7;
  run.columns = 3;
  run.columnGap = 0.254;

  const struct {
    const char* what;
    lb::PreviewScope scope;
    double dpi, goalMs;
  } cases[] = {
      {"redraw one label at 300 dpi", lb::PreviewScope::Label, 300, 100},
      {"redraw one label at 600 dpi", lb::PreviewScope::Label, 600, 100},
      {"redraw the whole sheet at 150 dpi", lb::PreviewScope::Sheet, 150, 1000},
      {"redraw the whole sheet at 300 dpi", lb::PreviewScope::Sheet, 300, 1000},
  };
  for (const auto& c : cases) line(c.what, medianMs([&] { redraw(rows, run, c.scope, c.dpi); }), c.goalMs);
  areas.closeAll();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);
  return 0;
}
