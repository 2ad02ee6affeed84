// Label sheets against glabels-3-batch (Debian glabels) on an equivalent
// document in the same run: A4 sheets of 65 labels of 38.1 x 21.2 mm, each
// label one product's EAN-13 with its digits and its description above it,
// one label per product. One line per operation with both figures and
// their ratio (ours / glabels):
//   sheet    one sheet to PDF, the whole process (qvlabel sheet; glabels-3-batch
//            on a 65-record merge), wall time and peak memory
//   further  each further sheet: (21 sheets - 1 sheet) / 20 of the same
//   preview  a 20-page job from the print run until its preview shows page 1
//            (in this process, offscreen), against glabels writing 20 sheets
//   paging   turning the preview's pages one by one to the last, each
//            recorded as it is turned to and shown, against glabels' time a
//            sheet, and the memory that adds (a page is read from its file
//            when shown, none is kept)
// Goals: sheet under 0.3 s, further under 0.02 s, preview under 0.5 s.
// Process times are the median of three runs; the preview runs once.
//
// Usage: sheet_bench; files go to a temporary folder removed at the end.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/print_list.h"
#include "app/product_code.h"
#include "barcode/ean_upc.h"
#include "data/abrir.h"
#include "data/catalog.h"
#include "data/tables.h"
#include "data/tdatabase.h"
#include "labels/genlabel.h"
#include "labels/label_formats.h"
#include "labels/label_run.h"
#include "print/preview.h"
#include "print/preview_metafile.h"
#include "print/printer_dialogs.h"
#include "print/printer_setup.h"

namespace {

const std::string kBin = std::string(QV_BINARY_DIR) + "/bin/";
constexpr int kPerSheet = 65;
constexpr const char* kFormat = "A4 65 ETIQ. 38,1X21,2 MM";

struct Run {
  double seconds = 0;
  double mb = 0;
  int exitCode = -1;
};

// A program run to its end: wall time and peak resident memory.
Run runProgram(const std::vector<std::string>& argv) {
  QElapsedTimer t;
  t.start();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run r;
  r.seconds = double(t.nsecsElapsed()) / 1e9;
  r.mb = double(usage.ru_maxrss) / 1024;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

Run median(const std::vector<std::string>& argv) {
  std::vector<Run> runs;
  for (int i = 0; i < 3; ++i) runs.push_back(runProgram(argv));
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  return runs[1];
}

std::string code(int i) {
  char body[16];
  std::snprintf(body, sizeof body, "84%010d", 1000 + i);
  return std::string(body) + bc::EAN13_CHECK(body);
}

void line(const char* op, const std::string& ours, const std::string& peer, double ratio) {
  std::printf("%-8s %-34s %-34s ratio %5.2f\n", op, ours.c_str(), peer.c_str(), ratio);
  std::fflush(stdout);
}
std::string figures(const char* who, double s, double mb = -1) {
  char buf[96];
  if (mb >= 0)
    std::snprintf(buf, sizeof buf, "%s %6.3f s %5.0f MB", who, s, mb);
  else
    std::snprintf(buf, sizeof buf, "%s %6.3f s", who, s);
  return buf;
}

// The data folder: the shipped files, `products` products and a design of
// the text and the EAN-13 for the small labels (design 6).
void makeData(const QString& folder, int products) {
  QDir().mkpath(folder);
  for (const QString& f : QDir(QString::fromStdString(std::string(QV_BINARY_DIR) + "/shipped")).entryList(QDir::Files))
    QFile::copy(QString::fromStdString(std::string(QV_BINARY_DIR) + "/shipped/") + f, folder + "/" + f);
  const std::string csv = (folder + "/productos.csv").toStdString();
  {
    std::ofstream out(csv);
    out << "CODIGO,DGCNT,COD_COMPL,NOMETI,TIPOBAR\n";
    for (int i = 0; i < products; ++i) {
      const std::string c = code(i);
      out << c.substr(0, 12) << "," << c.substr(12) << "," << c << ",TORNILLO " << i << ",13\n";
    }
  }
  runProgram({kBin + "qvdb", "import", (folder + "/CodPro.dbf").toStdString(), csv});
  const std::string design = (folder + "/diseno.csv").toStdString();
  {
    std::ofstream out(design);
    out << "NUMERO_ETI,CAMPO,FUENTE,TAMANO,CENTRADO,TIPO_B_T_I,NUMCAMPO,TIPOCOD,CONDIGITOS,ANCHOMOD,ALTOBARRA,POSICION\n"
           "6,TEXTO Y CODIGO PEQUENA,,0,F,,0,,F,0,0,\n"
           "6,NOMETI,Arial,6,T,T,0,,F,0,0,\n"
           "6,,,0,F,B,3,13,T,2.6,1.0,C\n";
  }
  runProgram({kBin + "qvdb", "import", (folder + "/CodPro.eti").toStdString(), design});
}

void writeList(const QString& file, int labels) {
  std::ofstream out(file.toStdString());
  out << "codigo;cantidad\n";
  for (int i = 0; i < labels; ++i) out << code(i) << ";1\n";
}

// The same document for glabels: the Avery L7651 geometry, the description
// centred above an EAN-13 with its digits, merged from a CSV file.
void writeGlabels(const QString& file, const QString& merge, int labels) {
  {
    std::ofstream out(merge.toStdString());
    out << "CODIGO,NOMBRE\n";
    for (int i = 0; i < labels; ++i) out << code(i) << ",TORNILLO " << i << "\n";
  }
  std::ofstream out(file.toStdString());
  const char* identity = R"( a0="1" a1="0" a2="0" a3="1" a4="0" a5="0")";
  out << R"(<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Avery" part="L7651" size="A4" description="Mini Address Labels">
    <Meta category="label"/>
    <Label-rectangle id="0" width="38.1mm" height="21.2mm" round="0mm" x_waste="0mm" y_waste="0mm">
      <Markup-margin size="1mm"/>
      <Layout nx="5" ny="13" x0="4.67mm" y0="10.7mm" dx="40.64mm" dy="21.2mm"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-text x="2mm" y="1.5mm" w="34mm" h="3.5mm" justify="Center" valign="Top" auto_shrink="False")"
      << identity << R"(>
      <Span font_family="Liberation Sans" font_size="6" font_weight="Normal" font_italic="False" color="0x000000ff" line_spacing="1"><Field name="NOMBRE"/></Span>
    </Object-text>
    <Object-barcode x="5mm" y="5mm" w="28mm" h="14mm" backend="gnu-barcode" style="EAN-13" text="True" checksum="True" format_digits="10" color="0x000000ff" field="CODIGO")"
      << identity << R"(/>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src=")"
      << merge.toStdString() << R"("/>
</Glabels-document>
)";
}

double residentMb() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

// The 20-page job run into the preview in this process, then paged to its
// end: seconds to the first page shown, seconds per page turned, and the
// memory the paging added.
struct PreviewFigures {
  double open = 0, perPage = 0, addedMb = 0;
  int pages = 0;
};
PreviewFigures previewJob(const QString& folder, int labels) {
  PreviewFigures f;
  const QString old = QDir::currentPath();
  QDir::setCurrent(folder);
  qv::applyRunSettings();
  qv::PUBLIBASES();
  qv::ABREBASES();
  qv::ABRIR(lb::kFormatsAlias, "Labels.dbf", "", {"Labelsx.cdx"});
  qv::ABRIR(lb::kDesignsAlias, "CodPro.eti", "", {"CodEti.cdx"});
  qv::workAreas().find(lb::kDesignsAlias)->setOrder("NumEti");
  const lb::DesignList designs = lb::readDesigns(lb::kDesignsAlias, 6);
  std::vector<std::string> names;
  lb::LISTALABELS(names);
  for (const std::string& n : names)
    if (n.rfind(kFormat, 0) == 0) lb::CAMBIOLABEL(n);
  qv::TDATABASE oDesign(lb::kDesignsAlias), oFormat(lb::kFormatsAlias);
  oFormat.Load();
  std::vector<lb::LabelOrder> orders;
  qv::WorkArea& product = *qv::productArea();
  for (product.goTop(); !product.eof() && int(orders.size()) < labels; product.skip())
    orders.push_back({product.recno(), 1});

  QElapsedTimer t;
  t.start();
  lb::PRNLABELLISTA(qv::kProductAlias, oDesign, 6, designs.names, designs.headers, oFormat, orders, {});
  pr::TMULTIPREVIEW* preview = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* p = qobject_cast<pr::TMULTIPREVIEW*>(w)) preview = p;
  if (!preview) return f;
  preview->oMeta1()->grab();
  f.open = double(t.nsecsElapsed()) / 1e9;
  f.pages = preview->pageCount();
  const double before = residentMb();
  t.restart();
  for (int p = 2; p <= f.pages; ++p) {
    preview->NextPage();
    preview->oMeta1()->grab();
  }
  f.perPage = f.pages > 1 ? double(t.nsecsElapsed()) / 1e9 / (f.pages - 1) : 0;
  f.addedMb = residentMb() - before;
  pr::closeAllPreviews();
  qv::closeAllTables();
  QDir::setCurrent(old);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  static pr::HeadlessPrinterDialogs headless;
  pr::setPrinterDialogs(&headless);
  QTemporaryDir dir;
  const QString data = dir.path() + "/datos";
  makeData(data, 21 * kPerSheet);
  writeList(dir.path() + "/1.csv", kPerSheet);
  writeList(dir.path() + "/21.csv", 21 * kPerSheet);
  writeGlabels(dir.path() + "/1.glabels", dir.path() + "/1m.csv", kPerSheet);
  writeGlabels(dir.path() + "/20.glabels", dir.path() + "/20m.csv", 20 * kPerSheet);
  writeGlabels(dir.path() + "/21.glabels", dir.path() + "/21m.csv", 21 * kPerSheet);
  const std::string glabels = "/usr/bin/glabels-3-batch";
  const bool havePeer = QFile::exists(QString::fromStdString(glabels));
  if (!havePeer) std::printf("glabels-3-batch is not installed (scripts/setup installs it): no peer figures\n");

  const auto ours = [&](const char* list) {
    return median({kBin + "qvlabel", "sheet", data.toStdString(), (dir.path() + "/q.pdf").toStdString(), "--list",
                   (dir.path() + "/" + list).toStdString(), "--design", "6", "--format", kFormat});
  };
  const auto peer = [&](const char* doc) {
    if (!havePeer) return Run{};
    return median({glabels, "-o", (dir.path() + "/g.pdf").toStdString(), (dir.path() + "/" + doc).toStdString()});
  };
  // The first run builds the index files, as start-up would once.
  runProgram({kBin + "qvlabel", "sheet", data.toStdString(), (dir.path() + "/q.pdf").toStdString(), "--list",
              (dir.path() + "/1.csv").toStdString(), "--design", "6", "--format", kFormat});
  const Run one = ours("1.csv"), many = ours("21.csv");
  const Run gOne = peer("1.glabels"), gMany = peer("21.glabels"), gTwenty = peer("20.glabels");
  if (one.exitCode != 0 || many.exitCode != 0) std::printf("qvlabel sheet failed (exit %d, %d)\n", one.exitCode, many.exitCode);
  const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  line("sheet", figures("qvlabel", one.seconds, one.mb), figures("glabels", gOne.seconds, gOne.mb),
       ratio(one.seconds, gOne.seconds));
  const double further = (many.seconds - one.seconds) / 20, gFurther = (gMany.seconds - gOne.seconds) / 20;
  line("further", figures("qvlabel", further), figures("glabels", gFurther), ratio(further, gFurther));
  const PreviewFigures p = previewJob(data, 20 * kPerSheet);
  char pages[64];
  std::snprintf(pages, sizeof pages, "preview %2d pages", p.pages);
  line("preview", figures(pages, p.open), figures("glabels 20 sheets", gTwenty.seconds), ratio(p.open, gTwenty.seconds));
  char paging[96];
  std::snprintf(paging, sizeof paging, "%.4f s a page, %+.1f MB", p.perPage, p.addedMb);
  line("paging", paging, figures("glabels a sheet", gFurther), ratio(p.perPage, gFurther));
  return 0;
}
