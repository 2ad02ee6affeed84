// The data layer's progress shown in the progress dialog: the maintenance
// steps drive the dialog's meter and text line.
#include "app/meter_progress.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>

#include "print/meter.h"
#include "tests/ui/qt_app.h"

TEST(MeterProgressRun, TheMaintenanceStepsDriveTheDialogsMeterAndText) {
  qv::MeterProgressRun run;
  double total = 0, value = 0;
  QString title, text;
  run.run("Procesando datos...", "Por favor espere", [&](qv::ProgressSink& sink) {
    auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_TRUE(dlg);
    title = dlg->windowTitle();
    sink.setTotal(3);
    sink.set(2);
    sink.setText("Procesando CodPro.dbf");
    auto* meter = dlg->findChild<pr::TVMETER*>();
    ASSERT_TRUE(meter);
    total = meter->nTotal();
    value = meter->value();
    for (QLabel* l : dlg->findChildren<QLabel*>())
      if (l->text().startsWith("Procesando")) text = l->text();
  });
  EXPECT_EQ(title, "Por favor espere");
  EXPECT_DOUBLE_EQ(total, 3);
  EXPECT_DOUBLE_EQ(value, 2);
  EXPECT_EQ(text, "Procesando CodPro.dbf");
}
