#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QResource>
#include <gtest/gtest.h>

#include "tests/ui/qt_app.h"
#include "tests/ui/stray_ampersands.h"
#include "ui/control_id.h"
#include "ui/main_resources.h"
#include "ui/resource_file.h"
#include "xbase/error.h"

namespace {

const QString kFile = QStringLiteral(QV_BINARY_DIR "/bin/") + ui::mainResourceFileName();

// Collects the run-time errors raised while it lives; each takes the default.
struct ErrorLog {
  std::vector<xb::Error> errors;
  xb::ErrorHandler previous;
  ErrorLog() {
    previous = xb::setErrorHandler([this](const xb::Error& e) {
      errors.push_back(e);
      return xb::ErrorAnswer{};
    });
  }
  ~ErrorLog() { xb::setErrorHandler(previous); }
};

TEST(ResourceFile, LoadsAndReleasesItsResources) {
  const QString root = QStringLiteral("/qvtest1");
  {
    auto file = ui::ResourceFile::load(kFile, root);
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(ui::resourcePath(root, QStringLiteral("bitmaps"), QStringLiteral("Quorva.bmp")).isEmpty());
  }
  EXPECT_TRUE(ui::resourcePath(root, QStringLiteral("bitmaps"), QStringLiteral("Quorva.bmp")).isEmpty());
}

TEST(ResourceFile, NamesAreFoundWithoutRegardToCaseOrExtension) {
  const QString root = QStringLiteral("/qvtest2");
  auto file = ui::ResourceFile::load(kFile, root);
  ASSERT_NE(file, nullptr);
  struct Case {
    const char* kind;
    const char* name;
    const char* want;  // file name found, empty when none
  };
  const Case cases[] = {
      {"bitmaps", "Quorva.bmp", "Quorva.bmp"}, {"bitmaps", "QUORVA.BMP", "Quorva.bmp"},
      {"bitmaps", "Fondo01", "Fondo01.bmp"},   {"bitmaps", "calcul", "CALCUL.png"},
      {"bitmaps", "MN_HELP", "mn_Help.png"},   {"icons", "quorvlnt", "Quorvlnt.png"},
      {"dialogs", "dlg_acerca_de", "Dlg_Acerca_De.ui"}, {"bitmaps", "Nada", ""},
  };
  for (const Case& c : cases) {
    const QString p = ui::resourcePath(root, QString::fromLatin1(c.kind), QString::fromLatin1(c.name));
    if (*c.want == 0) {
      EXPECT_TRUE(p.isEmpty()) << c.name;
    } else {
      EXPECT_TRUE(p.endsWith(QStringLiteral("/") + QString::fromLatin1(c.want))) << c.name << " -> " << p.toStdString();
    }
  }
  EXPECT_FALSE(ui::resourceBitmap(root, QStringLiteral("Barras1")).isNull());
  for (const char* b : {"Barras1", "CALCUL", "mn_Help", "Automant", "Salir", "Explorer"})
    EXPECT_FALSE(ui::resourceBitmap(root, QString::fromLatin1(b)).isNull()) << b;
}

TEST(ResourceFile, MissingFilesAndResourcesAreRunTimeErrors) {
  ErrorLog log;
  EXPECT_EQ(ui::ResourceFile::load(QStringLiteral("/nonexistent/qvrbar1.rcc"), QStringLiteral("/qvtest3")), nullptr);
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.errors[0].genCode, xb::kGenOpen);
  EXPECT_EQ(log.errors[0].filename, "/nonexistent/qvrbar1.rcc");

  auto file = ui::ResourceFile::load(kFile, QStringLiteral("/qvtest3"));
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(ui::resourceBitmap(QStringLiteral("/qvtest3"), QStringLiteral("NoExiste")).isNull());
  EXPECT_EQ(ui::resourceDialog(QStringLiteral("/qvtest3"), QStringLiteral("NoExiste"), nullptr), nullptr);
  EXPECT_EQ(log.errors.size(), 3u);
}

TEST(ControlId, FindsControlsByTheirNumber) {
  QWidget dlg;
  auto* a = new QLabel(&dlg);
  a->setProperty(ui::kControlIdProperty, 150);
  auto* inner = new QWidget(&dlg);
  auto* b = new QLabel(inner);
  b->setProperty(ui::kControlIdProperty, 201);
  EXPECT_EQ(ui::controlById(&dlg, 150), a);
  EXPECT_EQ(ui::controlById(&dlg, 201), b);
  EXPECT_EQ(ui::controlById(&dlg, 999), nullptr);
  EXPECT_EQ(ui::controlById(nullptr, 150), nullptr);
}

TEST(ResourceFile, NoDialogShowsAnAccessKeyAmpersand) {
  const QString root = QStringLiteral("/qvtest4");
  auto file = ui::ResourceFile::load(kFile, root);
  ASSERT_NE(file, nullptr);
  const QStringList forms = QDir(QStringLiteral(":") + root + QStringLiteral("/dialogs")).entryList(QDir::Files);
  ASSERT_GE(forms.size(), 7);
  for (const QString& form : forms) {
    std::unique_ptr<QWidget> dlg = ui::resourceDialog(root, QFileInfo(form).completeBaseName(), nullptr);
    ASSERT_NE(dlg, nullptr) << form.toStdString();
    EXPECT_EQ(qvtest::strayAmpersands(dlg.get()), std::vector<std::string>{}) << form.toStdString();
    EXPECT_EQ(qvtest::sharedAccessKeys(dlg.get()), std::vector<std::string>{}) << form.toStdString();
  }
}

}  // namespace
