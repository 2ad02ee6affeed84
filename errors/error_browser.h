// The log browser: the rows of the error log, newest first, with the
// report of the current row below them; two layouts by screen width.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "errors/error_log.h"

class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace qv {

// The layout for a screen width: below 800 pixels "Registro de Errores del
// Programa", 600 x 440, third column "Descripcion del error", buttons
// "&Ver" and "&Salir"; from 800 on "Registro de Errores del programa",
// 750 x 500, "Nombre del error", buttons "&Imprimir" and "&Salir".
struct BrowserLayout {
  std::string title;
  int width = 0;
  int height = 0;
  std::vector<std::string> columns;
  std::vector<int> columnWidths;
  std::vector<std::string> buttons;
};
BrowserLayout browserLayout(int screenWidth);

class ErrorBrowser : public QDialog {
  Q_OBJECT
 public:
  // Shows `rows` (newest first) standing on row `start`, laid out for
  // `screenWidth`.
  ErrorBrowser(std::vector<LogRow> rows, int start, int screenWidth, QWidget* parent = nullptr);

  QTableWidget* table() const { return table_; }
  QPlainTextEdit* text() const { return text_; }
  QPushButton* button(const QString& caption) const;
  // The row shown (-1 when the log is empty).
  int currentRow() const;

 private:
  void showRow(int row);

  std::vector<LogRow> rows_;
  QTableWidget* table_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  std::vector<QPushButton*> buttons_;
};

// FINREP: refreshes the browser and gives it the focus (nothing without one).
void FINREP(ErrorBrowser* browser);

// IMPERROR: prints `oemText` through the report with preview, shown
// application-modal and waited for (printErrorReport); then FINREP.
void IMPERROR(ErrorBrowser* browser, std::string_view oemText);

// The browser over the whole log for a screen width, standing on the first
// row of today (or the latest before today); the log is read and closed
// again. Null when the log cannot be opened.
std::unique_ptr<ErrorBrowser> makeErrorBrowser(int screenWidth, QWidget* parent = nullptr);

// _SHOWERROR: opens the log, shows the browser modally on the first row of
// today (or the latest before today), and closes the log afterwards.
void _SHOWERROR();

}  // namespace qv
