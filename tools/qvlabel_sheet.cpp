#include "tools/qvlabel_sheet.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "app/sheet_job.h"
#include "print/printer_dialogs.h"

namespace qvlabel {

namespace {

int64_t wholeNumber(const std::string& option, const std::string& text, int64_t low, int64_t high) {
  size_t used = 0;
  long long v = 0;
  try {
    v = std::stoll(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size() || v < low || v > high)
    throw std::invalid_argument(option + " takes a whole number from " + std::to_string(low) + " to " +
                                std::to_string(high) + ", not \"" + text + "\"");
  return v;
}

qv::SheetRequest parse(const std::vector<std::string>& args) {
  qv::SheetRequest r;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& s = args[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw std::invalid_argument(s + " needs a value");
      return args[++i];
    };
    if (s == "--code") {
      r.code = value();
    } else if (s == "--quantity") {
      r.quantity = wholeNumber(s, value(), 1, 99999);
    } else if (s == "--list") {
      r.listFile = value();
    } else if (s == "--design") {
      r.design = value();
    } else if (s == "--format") {
      r.format = value();
    } else if (s == "--start") {
      r.start = wholeNumber(s, value(), 1, 99999);
    } else if (s == "--outline") {
      r.outline = true;
    } else if (s == "--dpi") {
      r.dpi = int(wholeNumber(s, value(), 72, 4800));
    } else if (s.size() > 2 && s.starts_with("--")) {
      throw std::invalid_argument("unknown option " + s);
    } else {
      positional.push_back(s);
    }
  }
  if (positional.size() != 2) throw std::invalid_argument("sheet takes DATAFOLDER and OUTFILE.pdf");
  r.dataFolder = positional[0];
  r.outFile = positional[1];
  if (r.outFile.size() < 5 || QString::fromStdString(r.outFile).right(4).toLower() != ".pdf")
    throw std::invalid_argument("OUTFILE must be a .pdf file, not \"" + r.outFile + "\"");
  if (r.code.has_value() == r.listFile.has_value()) throw std::invalid_argument("sheet takes --code or --list");
  if (r.quantity && !r.code) throw std::invalid_argument("--quantity goes with --code");
  return r;
}

}  // namespace

int Sheet(const std::vector<std::string>& args, int argc, char** argv) {
  const qv::SheetRequest request = parse(args);
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
  QGuiApplication app(argc, argv);
  // A command-line run asks nothing.
  static pr::HeadlessPrinterDialogs headless;
  pr::setPrinterDialogs(&headless);
  const qv::SheetResult result = qv::printSheet(request);
  for (const std::string& w : result.warnings) std::cerr << "qvlabel: aviso: " << w << '\n';
  if (result.exitCode != 0) {
    std::cerr << "qvlabel: " << result.message << '\n';
    return result.exitCode;
  }
  std::cout << result.labels << (result.labels == 1 ? " etiqueta, " : " etiquetas, ") << result.pages
            << (result.pages == 1 ? " página" : " páginas") << '\n';
  return 0;
}

}  // namespace qvlabel
