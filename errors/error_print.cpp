#include "errors/error_print.h"

#include <QEventLoop>
#include <QFont>
#include <QPointer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "errors/error_report.h"
#include "print/preview.h"
#include "print/printer.h"
#include "xbase/dates.h"

namespace qv {

namespace {

constexpr double kMarginCm = 1.5;

std::string programPath() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).string();
}

// The report is printed from inside modal dialogs (the error dialog, the log
// browser), which would block a preview window of its own: the preview is
// made application-modal and waited for.
void showPreviewModal(std::shared_ptr<pr::TPRINTER> printer) {
  pr::TMULTIPREVIEW* preview = pr::RPREVIEW(std::move(printer));
  if (!preview) return;
  QPointer<pr::TMULTIPREVIEW> alive(preview);
  preview->hide();
  preview->setWindowModality(Qt::ApplicationModal);
  preview->show();
  QEventLoop loop;
  QObject::connect(preview, &pr::TMULTIPREVIEW::closed, &loop, &QEventLoop::quit);
  QObject::connect(preview, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (alive) loop.exec();
}

}  // namespace

std::vector<std::string> IMPTEXT(std::string_view oemText) {
  return wrapLines(fromLogText(oemText), kReportColumnWidth);
}

std::vector<ReportPage> paginate(const std::vector<std::string>& lines, int linesPerPage) {
  const size_t per = static_cast<size_t>(std::max(1, linesPerPage));
  std::vector<ReportPage> pages;
  for (size_t i = 0; i < lines.size() || pages.empty(); i += per) {
    ReportPage p;
    p.number = static_cast<int>(pages.size()) + 1;
    const size_t stop = std::min(lines.size(), i + per);
    if (i < stop) p.lines.assign(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.begin() + static_cast<std::ptrdiff_t>(stop));
    pages.push_back(std::move(p));
  }
  return pages;
}

std::string pageFooter(int page) {
  char n[16];
  std::snprintf(n, sizeof n, "%3d", page);
  return "Página " + std::string(n);
}

void printErrorReport(std::string_view oemText) {
  const std::vector<std::string> body = IMPTEXT(oemText);
  std::shared_ptr<pr::TPRINTER> printer = pr::TPRINTER::New("Registro de Errores", false, true);
  if (printer && printer->hDC()) {
    const QFont font(QStringLiteral("Times New Roman"), 10);
    printer->SetFont(font);
    const double lineHeight = std::max(1.0, printer->GetTextHeight("Ág", font) * 1.2);
    double top = kMarginCm, left = kMarginCm;
    printer->Cmtr2Pix(top, left);
    const double right = printer->nHorzRes() - left;
    const double centre = printer->nHorzRes() / 2.0;
    const double bottom = printer->nVertRes() - top;
    const int headerLines = 6;
    const int perPage = static_cast<int>((bottom - top) / lineHeight) - headerLines - 2;

    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    char hms[16];
    std::strftime(hms, sizeof hms, "%H:%M:%S", &tm);
    const std::string date = xb::dateToText(xb::Date{xb::julianDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)});
    const std::string title = "ERROR DEL PROGRAMA " + programPath();

    for (const ReportPage& page : paginate(body, perPage)) {
      printer->StartPage();
      double y = top;
      printer->Say(y, centre, title, nullptr, 0, std::nullopt, 1, 2);
      y += lineHeight;
      printer->Say(y, right, "Fecha :" + date, nullptr, 0, std::nullopt, 1, 1);
      y += lineHeight;
      printer->Say(y, right, "Hora :" + std::string(hms), nullptr, 0, std::nullopt, 1, 1);
      y += lineHeight * 2;
      printer->Say(y, left, "Descripción del error", nullptr, 0, std::nullopt, 1, 0);
      y += lineHeight;
      printer->Line(y, left, y, right);
      y += lineHeight * 0.5;
      for (const std::string& line : page.lines) {
        printer->Say(y, left, line, nullptr, 0, std::nullopt, 1, 0);
        y += lineHeight;
      }
      printer->Say(bottom - lineHeight, centre, pageFooter(page.number), nullptr, 0, std::nullopt, 1, 2);
      printer->EndPage();
    }
    showPreviewModal(std::move(printer));
  } else if (printer) {
    printer->End();
  }
}

}  // namespace qv
