// The item properties form of the design editor's window: one page for
// each kind of item, each control bound to one property of the item
// selected (design_window.h).
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <cmath>
#include <memory>
#include <vector>

#include "barcode/colors.h"
#include "labels/design_check.h"
#include "labels/design_window.h"

namespace lb {
namespace {

// The colours by the names a user reads.
const char* colourCaption(std::string_view name) {
  static const std::pair<std::string_view, const char*> kNames[] = {
      {"CLR_BLACK", "Negro"},          {"CLR_BLUE", "Azul"},
      {"CLR_GREEN", "Verde"},          {"CLR_CYAN", "Cian"},
      {"CLR_RED", "Rojo"},             {"CLR_MAGENTA", "Magenta"},
      {"CLR_BROWN", "Marrón"},         {"CLR_HGRAY", "Gris claro"},
      {"CLR_LIGHTGRAY", "Gris oscuro"}, {"CLR_GRAY", "Gris oscuro"},
      {"CLR_HBLUE", "Azul intenso"},   {"CLR_HGREEN", "Verde intenso"},
      {"CLR_HCYAN", "Cian intenso"},   {"CLR_HRED", "Rojo intenso"},
      {"CLR_HMAGENTA", "Magenta intenso"}, {"CLR_YELLOW", "Amarillo"},
      {"CLR_WHITE", "Blanco"},
  };
  for (const auto& [n, caption] : kNames)
    if (n == name) return caption;
  return "";
}

// The module of EAN and UPC at 100 %, millimetres.
constexpr double kNominalModuleMm = 0.33;
constexpr double kDefaultModuleMm = 0.25;
constexpr double kDefaultBarMm = 15;

QDoubleSpinBox* spin(double lo, double hi, int decimals, double step) {
  auto* s = new QDoubleSpinBox;
  s->setRange(lo, hi);
  s->setDecimals(decimals);
  s->setSingleStep(step);
  return s;
}


}  // namespace

QComboBox* combo(std::initializer_list<const char*> captions) {
  auto* c = new QComboBox;
  for (const char* t : captions) c->addItem(QString::fromUtf8(t));
  return c;
}

QComboBox* DesignWindow::colourCombo() {
  auto* c = new QComboBox;
  for (const bc::NamedColor& n : bc::ColorNames()) {
    QPixmap swatch(14, 14);
    swatch.fill(QColor(int(n.value & 0xFF), int((n.value >> 8) & 0xFF), int((n.value >> 16) & 0xFF)));
    c->addItem(QIcon(swatch), QString::fromUtf8(colourCaption(n.name)) + " (" + QString::fromUtf8(n.name.data(), qsizetype(n.name.size())) + ")",
               QString::fromUtf8(n.name.data(), qsizetype(n.name.size())));
  }
  return c;
}

void DesignWindow::bindFlag(QCheckBox* c, bool DesignItem::*member) {
  QObject::connect(c, &QCheckBox::toggled, c, [this, member](bool on) { edit([&](DesignItem& i) { i.*member = on; }); });
}

void DesignWindow::bindNumber(QDoubleSpinBox* s, const std::string& key, void (*set)(DesignItem&, double)) {
  QObject::connect(s, &QDoubleSpinBox::valueChanged, s, [this, key, set](double v) {
    edit([&](DesignItem& i) { set(i, v); }, key);
  });
}

void DesignWindow::bindColour(QComboBox* c) {
  QObject::connect(c, qOverload<int>(&QComboBox::currentIndexChanged), c, [this, c](int) {
    edit([&](DesignItem& i) { i.color = us(c->currentData().toString()); });
  });
}

void DesignWindow::bindPlace(QComboBox* c) {
  QObject::connect(c, qOverload<int>(&QComboBox::currentIndexChanged), c,
                   [this](int place) { edit([&](DesignItem& i) { i.posicion = LabelPlace(place); }); });
}

QWidget* DesignWindow::textPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  expression = new QLineEdit;
  expression->setObjectName("expression");
  expression->setMaxLength(int(kCampoWidth));
  fieldPicker = new QComboBox;
  fieldPicker->setObjectName("fieldPicker");
  auto* literal = new QPushButton(QStringLiteral("Añadir texto &fijo…"));
  literal->setAutoDefault(false);  // Enter in a field is not a click on it
  auto* row = new QHBoxLayout;
  row->addWidget(fieldPicker, 1);
  row->addWidget(literal);
  exprError = new QLabel;
  exprError->setObjectName("expressionError");
  exprError->setWordWrap(true);
  exprError->setStyleSheet(QStringLiteral("color: rgb(200,0,0);"));
  face = new QComboBox;
  face->setObjectName("face");
  face->addItems(QFontDatabase::families());
  size = spin(0, 999, 2, 1);
  size->setObjectName("size");
  auto* styles = new QHBoxLayout;
  bold = new QCheckBox(QStringLiteral("Negrita"));
  italic = new QCheckBox(QStringLiteral("Cursiva"));
  underline = new QCheckBox(QStringLiteral("Subrayado"));
  strike = new QCheckBox(QStringLiteral("Tachado"));
  for (QCheckBox* c : {bold, italic, underline, strike}) styles->addWidget(c);
  align = combo({"Como el elemento anterior", "A la izquierda", "Centrado en la etiqueta", "A la derecha de la etiqueta"});
  align->setObjectName("align");
  angle = spin(0, 359, 0, 15);
  textColour = colourCombo();
  form->addRow(QStringLiteral("&Expresión"), expression);
  form->addRow(QStringLiteral("Insertar"), row);
  form->addRow(QString(), exprError);
  form->addRow(QStringLiteral("Tipo de letra"), face);
  form->addRow(QStringLiteral("Tamaño (puntos)"), size);
  form->addRow(QStringLiteral("Estilo"), styles);
  form->addRow(QStringLiteral("&Alineación"), align);
  form->addRow(QStringLiteral("Ángulo (grados)"), angle);
  form->addRow(QStringLiteral("Color"), textColour);

  QObject::connect(expression, &QLineEdit::textEdited, page, [this](const QString& t) {
    edit([&](DesignItem& i) { i.campo = us(t); }, "campo");
  });
  QObject::connect(fieldPicker, qOverload<int>(&QComboBox::activated), page, [this](int index) {
    if (index <= 0) return;
    const QString name = fieldPicker->itemText(index);
    const QString now = expression->text().trimmed();
    expression->setText(now.isEmpty() ? name : now + " + " + name);
    fieldPicker->setCurrentIndex(0);
    edit([&](DesignItem& i) { i.campo = us(expression->text()); });
  });
  QObject::connect(literal, &QPushButton::clicked, page, [this] { insertLiteral(); });
  QObject::connect(face, &QComboBox::currentTextChanged, page,
                   [this](const QString& f) { edit([&](DesignItem& i) { i.fuente = us(f); }); });
  bindNumber(size, "tamano", [](DesignItem& i, double v) { i.tamano = v; });
  bindFlag(bold, &DesignItem::negrita);
  bindFlag(italic, &DesignItem::cursiva);
  bindFlag(underline, &DesignItem::subrayado);
  bindFlag(strike, &DesignItem::tachado);
  QObject::connect(align, qOverload<int>(&QComboBox::currentIndexChanged), page,
                   [this](int a) { edit([&](DesignItem& i) { setAlign(i, ItemAlign(a)); }); });
  bindNumber(angle, "angulo", [](DesignItem& i, double v) { i.angulo = v; });
  bindColour(textColour);
  return page;
}

QWidget* DesignWindow::barcodePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  encoded = new QComboBox;
  encoded->setObjectName("encoded");
  module = spin(0, 2, 3, 0.01);
  module->setObjectName("module");
  magnification = new QLabel;
  auto* moduleRow = new QHBoxLayout;
  moduleRow->addWidget(module);
  moduleRow->addWidget(magnification, 1);
  barHeight = spin(0, 999, 1, 1);
  barHeight->setObjectName("barHeight");
  digits = new QCheckBox(QStringLiteral("Con los dígitos (EAN, UPC)"));
  vertical = new QCheckBox(QStringLiteral("Vertical"));
  check = new QCheckBox(QStringLiteral("Con carácter de control (Code 39, 2 de 5)"));
  codeSet = combo({"Automático", "A", "B", "C"});
  barPlace = combo({"En el cursor", "Centrado en la etiqueta", "A la derecha de la etiqueta"});
  barPlace->setObjectName("barPlace");
  barColour = colourCombo();
  form->addRow(QStringLiteral("Campo codificado"), encoded);
  form->addRow(QStringLiteral("Ancho de módulo (mm)"), moduleRow);
  form->addRow(QStringLiteral("Alto de las barras (mm)"), barHeight);
  form->addRow(QString(), digits);
  form->addRow(QString(), vertical);
  form->addRow(QStringLiteral("Juego de Code 128"), codeSet);
  form->addRow(QString(), check);
  form->addRow(QStringLiteral("&Posición"), barPlace);
  form->addRow(QStringLiteral("Color"), barColour);

  QObject::connect(encoded, qOverload<int>(&QComboBox::currentIndexChanged), page,
                   [this](int f) { edit([&](DesignItem& i) { i.numCampo = f + 1; }); });
  bindNumber(module, "anchomod", [](DesignItem& i, double mm) { i.anchoMod = mm * 10; });
  bindNumber(barHeight, "altobarra", [](DesignItem& i, double mm) { i.altoBarra = mm / 10; });
  bindFlag(digits, &DesignItem::conDigitos);
  bindFlag(vertical, &DesignItem::vertical);
  bindFlag(check, &DesignItem::control);
  QObject::connect(codeSet, qOverload<int>(&QComboBox::currentIndexChanged), page, [this](int s) {
    edit([&](DesignItem& i) { i.juego128 = s == 0 ? std::string() : us(codeSet->itemText(s)); });
  });
  bindPlace(barPlace);
  bindColour(barColour);
  return page;
}

QWidget* DesignWindow::picturePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  picture = new QLineEdit;
  picture->setReadOnly(true);
  auto* choose = new QPushButton(QStringLiteral("&Elegir…"));
  choose->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addWidget(picture, 1);
  row->addWidget(choose);
  scale = spin(0, 99, 2, 0.1);
  picturePlace = combo({"En el cursor", "Centrada en la etiqueta", "A la derecha de la etiqueta"});
  form->addRow(QStringLiteral("Fichero"), row);
  form->addRow(QStringLiteral("Escala"), scale);
  form->addRow(QStringLiteral("&Posición"), picturePlace);
  QObject::connect(choose, &QPushButton::clicked, page, [this] { choosePicture(); });
  bindNumber(scale, "escala", [](DesignItem& i, double v) { i.tamano = v; });
  bindPlace(picturePlace);
  return page;
}

void DesignWindow::fillFieldPickers() {
  const QSignalBlocker a(fieldPicker), b(encoded);
  fieldPicker->clear();
  encoded->clear();
  fieldPicker->addItem(QStringLiteral("Campo del producto…"));
  for (const ProductField& f : productFields(productAlias)) {
    fieldPicker->addItem(qs(f.name));
    encoded->addItem(qs(f.name));
  }
}

void DesignWindow::showItem() {
  const DesignItem* i = editor->selectedItem();
  const QList<QWidget*> all = pages->findChildren<QWidget*>();
  std::vector<std::unique_ptr<QSignalBlocker>> quiet;
  for (QWidget* w : all) quiet.push_back(std::make_unique<QSignalBlocker>(w));
  quiet.push_back(std::make_unique<QSignalBlocker>(sameLine));
  sameLine->setEnabled(i != nullptr);
  if (!i) {
    pages->setCurrentIndex(0);
    return;
  }
  sameLine->setChecked(i->mismaLinea);
  const auto colour = [](QComboBox* c, const std::string& n) {
    const int at = c->findData(qs(n.empty() ? "CLR_BLACK" : n));
    c->setCurrentIndex(at < 0 ? 0 : at);
  };
  if (i->kind == kKindText) {
    pages->setCurrentIndex(1);
    if (expression->text() != qs(i->campo)) expression->setText(qs(i->campo));
    exprError->setText(qs(expressionError(i->campo, editor->productAlias())));
    const QString f = qs(i->fuente.empty() ? "Arial" : i->fuente);
    if (face->findText(f) < 0) face->addItem(f);
    face->setCurrentText(f);
    size->setValue(i->tamano);
    bold->setChecked(i->negrita);
    italic->setChecked(i->cursiva);
    underline->setChecked(i->subrayado);
    strike->setChecked(i->tachado);
    align->setCurrentIndex(int(alignOf(*i)));
    angle->setValue(i->angulo);
    colour(textColour, i->color);
  } else if (i->kind == kKindBarcode) {
    pages->setCurrentIndex(2);
    encoded->setCurrentIndex(int(i->numCampo) - 1);
    module->setValue(i->anchoMod / 10);
    showMagnification(*i);
    barHeight->setValue(i->altoBarra * 10);
    barHeight->setSpecialValueText(QStringLiteral("%1 (por omisión)").arg(kDefaultBarMm));
    digits->setChecked(i->conDigitos);
    vertical->setChecked(i->vertical);
    check->setChecked(i->control);
    const int set = codeSet->findText(qs(i->juego128));
    codeSet->setCurrentIndex(i->juego128.empty() || set < 0 ? 0 : set);
    barPlace->setCurrentIndex(int(i->posicion));
    colour(barColour, i->color);
  } else if (i->kind == kKindPicture) {
    pages->setCurrentIndex(3);
    picture->setText(qs(i->campo));
    scale->setValue(i->tamano);
    picturePlace->setCurrentIndex(int(i->posicion));
  } else {
    pages->setCurrentIndex(0);
  }
}

void DesignWindow::showMagnification(const DesignItem& i) {
  const double mm = i.anchoMod > 0 ? i.anchoMod / 10 : kDefaultModuleMm;
  magnification->setText(QStringLiteral("%1 % de EAN/UPC%2")
                             .arg(int(std::lround(mm / kNominalModuleMm * 100)))
                             .arg(i.anchoMod > 0 ? QString() : QStringLiteral(" (0: 0,25 mm)")));
}


}  // namespace lb
