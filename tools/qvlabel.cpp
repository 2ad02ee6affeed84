// qvlabel: the barcode engine from the command line.
//
//   qvlabel modules TYPE CODE [--check] [--set A|B|C]
//   qvlabel check TYPE DIGITS
//   qvlabel parts CODE OPTION
//   qvlabel render TYPE CODE OUTFILE [--module-cm W] [--height-cm H] [--digits]
//                  [--vertical] [--dpi N] [--color NAME] [--check] [--set X]
//                  [--preview | --print [--printer NAME]]
//   qvlabel catalogue [TEXT]
//   qvlabel import DATAFOLDER FILE.csv
//   qvlabel export DATAFOLDER FILE.csv
//   qvlabel sheet DATAFOLDER OUTFILE.pdf (--code CODE [--quantity N] | --list FILE.csv)
//                 [--design N|NAME] [--format NAME] [--start N] [--outline] [--dpi N]
//   qvlabel design-export DATAFOLDER N|NAME FILE.eti
//   qvlabel design-import DATAFOLDER FILE.eti
//
// Exit codes: 0 done, 2 usage or error (with a message on standard error);
// import: 1 when some rows were refused; sheet: 1 for a code that is not
// stored.
#include <QApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "barcode/code_parts.h"
#include "barcode/colors.h"
#include "barcode/ean_upc.h"
#include "app/product_csv_tool.h"
#include "barcode/qt/image_device.h"
#include "labels/label_catalogue.h"
#include "tools/qvlabel_design.h"
#include "tools/qvlabel_print.h"
#include "tools/qvlabel_render.h"
#include "tools/qvlabel_sheet.h"
#include "ui/qt_translations.h"

namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  qvlabel modules TYPE CODE [--check] [--set A|B|C]\n"
    "  qvlabel check TYPE DIGITS                (TYPE 13, UPCA or 8)\n"
    "  qvlabel parts CODE OPTION\n"
    "  qvlabel render TYPE CODE OUTFILE [--module-cm W] [--height-cm H] [--digits] [--vertical]\n"
    "                 [--dpi N] [--color NAME] [--check] [--set A|B|C]\n"
    "                 [--preview | --print [--printer NAME]]  (through the printer device)\n"
    "  qvlabel catalogue [TEXT]                 (label-sheet products whose brand, part, description\n"
    "                                            or paper hold every word of TEXT, with the measures\n"
    "                                            of the format each would become)\n"
    "  qvlabel import DATAFOLDER FILE.csv       (product codes validated and stored; exit 1 when some rows\n"
    "                                            were refused)\n"
    "  qvlabel export DATAFOLDER FILE.csv       (the product table for spreadsheets)\n"
    "  qvlabel sheet DATAFOLDER OUTFILE.pdf (--code CODE [--quantity N] | --list FILE.csv)\n"
    "                [--design N|NAME] [--format NAME] [--start N] [--outline] [--dpi N]\n"
    "  qvlabel design-export DATAFOLDER N|NAME FILE.eti   (a label design to a design file)\n"
    "  qvlabel design-import DATAFOLDER FILE.eti          (a new design; prints its number)\n"
    "TYPE: 13 UPCA 8 5 128 3-9 CODABAR INT25 IND25 MAT25; OUTFILE: .png, .svg or .pdf\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

double ParseNumber(const std::string& option, const std::string& text) {
  size_t used = 0;
  double v = 0;
  try {
    v = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != text.size() || !(v > 0) || v > 1e6)
    throw UsageError(option + " needs a positive number, not \"" + text + "\"");
  return v;
}

// Splits the arguments after the command into positional ones and options.
struct Args {
  std::vector<std::string> positional;
  bool check = false, digits = false, vertical = false, preview = false, print = false;
  std::optional<std::string> set, color, printer;
  std::optional<double> moduleCm, heightCm, dpi;
};

Args ParseArgs(const std::vector<std::string>& argv, bool renderOptions) {
  Args a;
  bool optionsEnded = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& s = argv[i];
    if (optionsEnded) {
      a.positional.push_back(s);
      continue;
    }
    auto value = [&]() -> std::string {
      if (i + 1 >= argv.size()) throw UsageError(s + " needs a value");
      return argv[++i];
    };
    if (s == "--") {
      optionsEnded = true;
    } else if (s == "--check") {
      a.check = true;
    } else if (s == "--set") {
      a.set = value();
    } else if (renderOptions && s == "--digits") {
      a.digits = true;
    } else if (renderOptions && s == "--vertical") {
      a.vertical = true;
    } else if (renderOptions && s == "--module-cm") {
      a.moduleCm = ParseNumber(s, value());
    } else if (renderOptions && s == "--height-cm") {
      a.heightCm = ParseNumber(s, value());
    } else if (renderOptions && s == "--dpi") {
      a.dpi = ParseNumber(s, value());
    } else if (renderOptions && s == "--color") {
      a.color = value();
    } else if (renderOptions && s == "--preview") {
      a.preview = true;
    } else if (renderOptions && s == "--print") {
      a.print = true;
    } else if (renderOptions && s == "--printer") {
      a.printer = value();
    } else if (s.size() > 2 && s.starts_with("--")) {
      throw UsageError("unknown option " + s);
    } else {
      a.positional.push_back(s);
    }
  }
  return a;
}

qvlabel::SymbolRequest Request(const Args& a) {
  qvlabel::SymbolRequest req;
  const auto sym = qvlabel::SymbologyOfType(a.positional[0]);
  if (!sym) throw UsageError("unknown symbology type \"" + a.positional[0] + "\"");
  req.symbology = *sym;
  req.code = a.positional[1];
  req.check = a.check;
  if (a.set) {
    const std::string set = Upper(*a.set);
    if (set != "A" && set != "B" && set != "C") throw UsageError("--set takes A, B or C, not \"" + *a.set + "\"");
    req.set = set;
  }
  return req;
}

int Modules(const std::vector<std::string>& argv) {
  const Args a = ParseArgs(argv, false);
  if (a.positional.size() != 2) throw UsageError("modules takes TYPE and CODE");
  std::cout << qvlabel::ModulesOf(Request(a)) << '\n';
  return 0;
}

int Check(const std::vector<std::string>& argv) {
  const Args a = ParseArgs(argv, false);
  if (a.positional.size() != 2) throw UsageError("check takes TYPE and DIGITS");
  const std::string type = Upper(a.positional[0]);
  const std::string& digits = a.positional[1];
  if (type == "13")
    std::cout << bc::EAN13_CHECK(digits) << '\n';
  else if (type == "UPCA")
    std::cout << bc::UPC_CHECK(digits, 11) << '\n';
  else if (type == "8")
    std::cout << bc::UPC_CHECK(digits, 7) << '\n';
  else
    throw UsageError("check digits exist for the types 13, UPCA and 8, not \"" + a.positional[0] + "\"");
  return 0;
}

void PrintMember(const char* name, const std::optional<std::string>& v) {
  std::cout << name << " = ";
  if (v)
    std::cout << '"' << *v << '"';
  else
    std::cout << "NIL";
  std::cout << '\n';
}

int Parts(const std::vector<std::string>& argv) {
  const Args a = ParseArgs(argv, false);
  if (a.positional.size() != 2) throw UsageError("parts takes CODE and OPTION");
  const std::string& opt = a.positional[1];
  size_t used = 0;
  int option = 0;
  try {
    option = std::stoi(opt, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != opt.size()) throw UsageError("OPTION must be a whole number, not \"" + opt + "\"");
  const bc::MiCodBarCls parts(a.positional[0], option);
  PrintMember("cCodOrig", parts.cCodOrig);
  PrintMember("cCodNeto", parts.cCodNeto);
  PrintMember("cCodCont", parts.cCodCont);
  PrintMember("cCodComp", parts.cCodComp);
  PrintMember("cBusqueda", parts.cBusqueda);
  return 0;
}

int Render(const std::vector<std::string>& argv, int argc, char** cargv) {
  const Args a = ParseArgs(argv, true);
  if (a.positional.size() != 3) throw UsageError("render takes TYPE, CODE and OUTFILE");
  qvlabel::SymbolRequest req = Request(a);
  req.digits = a.digits;
  req.vertical = a.vertical;
  if (a.moduleCm) req.moduleCm = *a.moduleCm;
  if (a.heightCm) req.heightCm = *a.heightCm;
  if (a.color) {
    const auto c = bc::ColorByName(Upper(*a.color));
    if (!c) {
      std::string names;
      for (const auto& n : bc::ColorNames()) names += " " + std::string(n.name);
      throw UsageError("unknown colour \"" + *a.color + "\"; the colours are" + names);
    }
    req.color = *c;
  }
  if (a.preview && a.print) throw UsageError("--preview and --print exclude each other");
  if (a.printer && !a.print && !a.preview) throw UsageError("--printer goes with --print or --preview");
  if (a.preview || a.print) {
    if (a.preview && !std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
      throw UsageError("--preview needs a display");
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    QApplication app(argc, cargv);
    ui::loadQtTranslations(app);
    return qvlabel::PrintSymbol(req, {a.preview, a.printer, a.positional[2]});
  }
  const double dpi = a.dpi.value_or(300.0);
  if (dpi < 10 || dpi > 4800) throw UsageError("--dpi must be between 10 and 4800");

  if (std::lround(req.moduleCm * dpi / 2.54) < 1 || std::lround(req.heightCm * dpi / 2.54) < 1)
    throw UsageError("the module width and the height must each be at least one pixel at this resolution");

  const qvlabel::SymbolLayout layout = qvlabel::LayoutSymbol(req, dpi);
  if (double(layout.widthPx) * layout.heightPx > 2.5e8)
    throw UsageError("the symbol is too large for an image at this resolution");

  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // The platform's notes about its session (no runtime folder, no message
  // bus) mean nothing to a command-line run.
  QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
  QGuiApplication app(argc, cargv);
  bc::ImageDevice dev(layout.widthPx, layout.heightPx, dpi);
  qvlabel::DrawSymbol(dev, req, layout.top, layout.left);
  std::string error;
  if (!dev.save(a.positional[2], &error)) {
    std::cerr << "qvlabel: " << error << '\n';
    return 2;
  }
  return 0;
}

int Catalogue(const std::vector<std::string>& argv) {
  std::string text;
  for (const std::string& word : argv) text += (text.empty() ? "" : " ") + word;
  const lb::Catalogue c = lb::readCatalogue();
  for (const std::string& fault : c.faults) std::cerr << "qvlabel: " << fault << '\n';
  if (c.products.empty()) {
    std::cerr << "qvlabel: " << lb::kCatalogueMissing << '\n';
    return 2;
  }
  for (const lb::CatalogueProduct& p : c.products)
    if (lb::catalogueMatches(p, text)) std::cout << lb::catalogueLine(p) << '\n';
  return 0;
}

int Codes(const std::string& command, const std::vector<std::string>& argv) {
  if (argv.size() != 2) throw UsageError(command + " takes DATAFOLDER and FILE.csv");
  std::string report;
  const int code = command == "import" ? qv::importCodesFile(argv[0], argv[1], report)
                                       : qv::exportCodesFile(argv[0], argv[1], report);
  (code == 2 ? std::cerr : std::cout) << report;
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> rest(argv + 2, argv + argc);
  try {
    if (command == "modules") return Modules(rest);
    if (command == "check") return Check(rest);
    if (command == "parts") return Parts(rest);
    if (command == "render") return Render(rest, argc, argv);
    if (command == "catalogue") return Catalogue(rest);
    if (command == "import" || command == "export") return Codes(command, rest);
    if (command == "sheet") return qvlabel::Sheet(rest, argc, argv);
    if (command == "design-export") return qvlabel::DesignExport(rest);
    if (command == "design-import") return qvlabel::DesignImport(rest);
    if (command == "--help" || command == "-h" || command == "help") {
      std::cout << kUsage;
      return 0;
    }
    throw UsageError("unknown command \"" + command + "\"");
  } catch (const UsageError& e) {
    std::cerr << "qvlabel: " << e.what() << '\n' << kUsage;
    return 2;
  } catch (const std::invalid_argument& e) {
    std::cerr << "qvlabel: " << e.what() << '\n' << kUsage;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "qvlabel: " << e.what() << '\n';
    return 2;
  }
}
