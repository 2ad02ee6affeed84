// The dialogs the user meets when printing: Qt's print, page set-up and file
// dialogs read back in Spanish once Qt's translations are loaded, as the
// program loads them; the preview's own print form shows no stray "&"; the
// PDF file name is asked through the prompter.
#include <QAbstractButton>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "print/preview_resources.h"
#include "print/printer_dialogs.h"
#include "tests/ui/qt_app.h"
#include "tests/ui/stray_ampersands.h"
#include "tests/xbase/scripted_prompter.h"
#include "ui/qt_translations.h"
#include "ui/resource_file.h"

namespace {

// Every caption a dialog shows: labels, buttons, group boxes, tabs and the
// entries of its lists, without access-key marks.
QStringList captions(const QWidget& dlg) {
  QStringList out{dlg.windowTitle()};
  for (const QLabel* l : dlg.findChildren<QLabel*>()) out << l->text();
  for (const QAbstractButton* b : dlg.findChildren<QAbstractButton*>()) out << b->text();
  for (const QGroupBox* g : dlg.findChildren<QGroupBox*>()) out << g->title();
  for (const QTabWidget* t : dlg.findChildren<QTabWidget*>())
    for (int i = 0; i < t->count(); ++i) out << t->tabText(i);
  for (const QComboBox* c : dlg.findChildren<QComboBox*>())
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  for (QString& s : out) s.remove(QLatin1Char('&'));
  return out;
}

TEST(QtDialogs, PrintPageSetupAndFileDialogsSpeakSpanish) {
  ASSERT_TRUE(ui::loadQtTranslations(*qApp)) << "Qt's Spanish translations are not installed";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  struct Case {
    const char* dialog;
    std::vector<const char*> spanish;  // captions that must be there
    std::vector<const char*> english;  // captions that must not
  };
  QPrintDialog print(&printer);
  QPageSetupDialog setup(&printer);
  QFileDialog file(nullptr, QStringLiteral("Guardar como PDF"));
  file.setOption(QFileDialog::DontUseNativeDialog);
  file.setAcceptMode(QFileDialog::AcceptSave);
  const std::pair<QWidget*, Case> cases[] = {
      {&print, {"print", {"Imprimir", "Impresora", "Copias:", "Opciones", "Todas las páginas", "Cancelar"},
                {"Print", "Printer", "Copies:", "Options", "Cancel"}}},
      {&setup, {"page set-up", {"Papel", "Orientación", "Vertical", "Apaisado", "Márgenes"},
                {"Paper", "Orientation", "Portrait", "Landscape", "Margins"}}},
      {&file, {"file", {"Ver en:", "Guardar", "Cancelar"}, {"Look in:", "Save", "Cancel"}}},
  };
  for (const auto& [dlg, c] : cases) {
    const QStringList shown = captions(*dlg);
    for (const char* s : c.spanish)
      EXPECT_TRUE(shown.contains(QString::fromUtf8(s))) << c.dialog << ": no \"" << s << "\" in "
                                                        << shown.join(QStringLiteral(" | ")).toStdString();
    for (const char* s : c.english) EXPECT_FALSE(shown.contains(QString::fromUtf8(s))) << c.dialog << ": " << s;
  }
}

TEST(QtDialogs, ThePreviewsPrintFormShowsNoStrayAmpersand) {
  ASSERT_TRUE(pr::loadPreviewResources());
  std::unique_ptr<QWidget> form = ui::resourceDialog(pr::previewResourceRoot(), QStringLiteral("Print"), nullptr);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(qvtest::strayAmpersands(form.get()), std::vector<std::string>{});
}

TEST(QtDialogs, ThePdfFileNameIsAskedThroughThePrompterAndEndsInPdf) {
  xb::ScriptedPrompter prompts;
  xb::PrompterGuard guard(prompts);
  const std::pair<std::optional<std::string>, std::optional<std::string>> cases[] = {
      {"/tmp/hoja", "/tmp/hoja.pdf"},
      {"/tmp/Hoja.PDF", "/tmp/Hoja.PDF"},
      {std::nullopt, std::nullopt},  // cancelled
      {"", std::nullopt},
  };
  for (const auto& [answer, name] : cases) prompts.saveAnswers.push_back(answer);
  pr::QtPrinterDialogs dialogs;
  for (const auto& [answer, name] : cases) EXPECT_EQ(dialogs.pdfFileName("Etiquetas.pdf"), name) << answer.value_or("-");
  ASSERT_EQ(prompts.asked.size(), std::size(cases));
  EXPECT_EQ(prompts.asked[0].kind, "save");
  EXPECT_EQ(prompts.asked[0].title, "Guardar como PDF");
  EXPECT_EQ(prompts.asked[0].value, "Etiquetas.pdf");
}

}  // namespace
