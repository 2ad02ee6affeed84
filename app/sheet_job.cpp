#include "app/sheet_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>

#include "app/code_rules.h"
#include "app/print_list.h"
#include "app/product_code.h"
#include "data/abrir.h"
#include "data/catalog.h"
#include "data/tables.h"
#include "data/tdatabase.h"
#include "labels/genlabel.h"
#include "labels/label_formats.h"
#include "labels/label_job.h"
#include "labels/label_run.h"
#include "labels/printer_offset.h"
#include "labels/sheet_paper.h"
#include "print/printer.h"
#include "print/printer_setup.h"
#include "xbase/codepage.h"
#include "xbase/text.h"

namespace qv {

namespace {

QString absolute(const std::string& name) { return QFileInfo(QString::fromStdString(name)).absoluteFilePath(); }

// A stored name (Windows-1252, padded) against a name given on the command
// line, blanks at the ends and case aside.
bool sameName(const std::string& stored, const std::string& given) {
  return QString::fromStdString(xb::cp1252ToUtf8(xb::trim(stored)))
             .compare(QString::fromStdString(given).trimmed(), Qt::CaseInsensitive) == 0;
}

// The working folder, given back with every table closed.
class InDataFolder {
 public:
  explicit InDataFolder(const QString& folder) : old_(QDir::currentPath()) { ok_ = QDir::setCurrent(folder); }
  ~InDataFolder() {
    closeAllTables();
    QDir::setCurrent(old_);
  }
  bool ok() const { return ok_; }

 private:
  QString old_;
  bool ok_ = false;
};

// The design asked for (a number or a name), else the one chosen last.
int chosenDesign(const lb::DesignList& designs, const std::optional<std::string>& wanted) {
  if (!wanted) return designs.selected;
  bool number = false;
  const int n = QString::fromStdString(*wanted).trimmed().toInt(&number);
  if (number) return n >= 1 && size_t(n) <= designs.headers.size() ? n : 0;
  for (size_t i = 0; i < designs.names.size(); ++i)
    if (sameName(designs.names[i], *wanted)) return int(i) + 1;
  return 0;
}

// Puts the format table on the format named `wanted`; false when there is
// none of that name.
bool standOnFormat(const std::string& wanted) {
  WorkArea* a = workAreas().find(lb::kFormatsAlias);
  if (!a) return false;
  for (a->goTop(); !a->eof(); a->skip())
    if (sameName(lb::textOf(a->fieldGet(std::string_view("NOMBRE"))), wanted)) return true;
  return false;
}

}  // namespace

SheetResult printSheet(const SheetRequest& r) {
  SheetResult out;
  const auto fail = [&out](int code, std::string message) {
    out.exitCode = code;
    out.message = std::move(message);
    return out;
  };
  const QString outFile = absolute(r.outFile);
  QByteArray listBytes;
  if (r.listFile) {
    QFile in(absolute(*r.listFile));
    if (!in.open(QIODevice::ReadOnly)) return fail(2, "No se puede leer el fichero " + *r.listFile + ".");
    listBytes = in.readAll();
  }
  const QString folder = absolute(r.dataFolder);
  if (!QFileInfo(folder).isDir()) return fail(2, "La carpeta de datos " + r.dataFolder + " no existe.");
  const InDataFolder inFolder(folder);
  if (!inFolder.ok()) return fail(2, "No se puede entrar en la carpeta de datos " + r.dataFolder + ".");

  applyRunSettings();
  PUBLIBASES();
  ABREBASES();
  if (!productArea()) return fail(2, "No se ha podido abrir la tabla de productos de " + r.dataFolder + ".");
  if (!ABRIR(lb::kFormatsAlias, fileNameValue("LABELS"), "", {fileNameValue("LABELSX")}) ||
      !ABRIR(lb::kDesignsAlias, fileNameValue("CODETI"), "", {fileNameValue("CODETIX")}) ||
      !workAreas().find(lb::kDesignsAlias)->setOrder("NumEti"))
    return fail(2, "No se han podido abrir las tablas de formatos y diseños de " + r.dataFolder + ".");

  const lb::DesignList designs = lb::readDesigns(lb::kDesignsAlias, 1);
  const int design = chosenDesign(designs, r.design);
  if (design < 1) return fail(2, "No hay ningún diseño " + r.design.value_or("") + ".");
  std::vector<std::string> formatNames;
  std::string formatName = lb::LISTALABELS(formatNames);
  if (r.format) {
    if (!standOnFormat(*r.format)) return fail(2, "No hay ningún formato " + *r.format + ".");
    formatName = *r.format;
  }
  if (formatNames.empty()) return fail(2, "No hay ningún formato de hoja.");
  TDATABASE oFormat(lb::kFormatsAlias);
  oFormat.Load();
  const lb::LabelRunValues run = lb::labelRunValues(oFormat);
  if (run.perSheet() <= 0) return fail(2, "El formato " + std::string(xb::trim(formatName)) + " no tiene etiquetas.");
  if (r.start < 1 || r.start > run.perSheet())
    return fail(2, "--start debe estar entre 1 y " + std::to_string(run.perSheet()) + " en este formato.");

  PrintList list;
  if (r.code) {
    if (list.addCode(*r.code, r.quantity.value_or(run.perSheet() - (r.start - 1))) == PrintList::Added::NotStored)
      return fail(1, notStoredText(*r.code));
  } else {
    const PrintList::Imported read = list.importCsv(std::string_view(listBytes.constData(), size_t(listBytes.size())));
    std::string missing, bad;
    for (const PrintList::Refused& f : read.refused) {
      if (f.notStored) {
        missing += (missing.empty() ? "" : ", ") + f.code;
      } else {
        bad += (bad.empty() ? "" : "\n") + f.why;
      }
    }
    if (!bad.empty()) return fail(2, bad);
    if (!missing.empty()) return fail(1, "Códigos no almacenados: " + missing + ".");
    if (list.empty()) return fail(2, "La lista " + *r.listFile + " no tiene ningún código.");
  }
  std::vector<lb::LabelOrder> orders;
  for (const PrintListLine& l : list.lines())
    if (findProduct({l.key})) orders.push_back({productArea()->recno(), l.quantity});

  TDATABASE oDesign(lb::kDesignsAlias);
  std::vector<lb::LabelRow> rows = lb::labelDesignRows(oDesign, designs.headers[size_t(design) - 1]);
  const std::string document = xb::cp1252ToUtf8(xb::trim(designs.names[size_t(design) - 1]));
  lb::JobChoices choices;
  choices.start = r.start;
  choices.outlines = r.outline ? lb::Outlines::Over : lb::Outlines::None;
  const lb::PrinterOffset offset = lb::printerOffset("PDF");
  choices.offsetXmm = offset.xMm;
  choices.offsetYmm = offset.yMm;
  const lb::LabelJob job(kProductAlias, std::move(rows), run, std::move(orders), choices);

  QPrinter& setup = pr::printerSetup();
  setup.setOutputFormat(QPrinter::PdfFormat);
  setup.setOutputFileName(outFile);
  if (r.dpi) setup.setResolution(*r.dpi);
  setup.setPageSize(QPageSize(QPageSize::A4));
  setup.setFullPage(true);
  std::shared_ptr<pr::TPRINTER> printer = pr::PRINTBEGIN(document, false, false, {}, false);
  if (const std::optional<QPageSize> paper = lb::sheetPaper(lb::textOf(oFormat.FieldGet("HOJA"))))
    printer->SetJobPaper(*paper);
  for (const lb::ItemOverflow& o : job.overflows(*printer)) out.warnings.push_back(lb::overflowText(o));
  const size_t stopped = lb::drawLabelJob(*printer, job);
  const bool written = printer->lStarted();
  printer->End();
  if (stopped) {
    const lb::LabelRow& item = job.design()[stopped];
    return fail(2, lb::itemKindMessage(xb::cp1252ToUtf8(lb::textOf(lb::at(item, lb::kTipoBTI))),
                                       lb::numOf(lb::at(item, lb::kNumCampo))));
  }
  if (!written) return fail(2, "No se ha podido escribir el fichero " + r.outFile + ".");
  out.labels = job.labels();
  out.pages = job.pages();
  return out;
}

}  // namespace qv
