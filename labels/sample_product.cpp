#include "labels/sample_product.h"

#include <unistd.h>

#include "barcode/ean_upc.h"
#include "data/product_table.h"
#include "data/tables.h"
#include "labels/error_capture.h"
#include "xbase/codepage.h"

namespace lb {
namespace {

const char* const kCode = "841234567890";

std::string sampleText(std::string_view field, const std::string& check) {
  namespace p = qv::product;
  if (field == p::kCodigo) return kCode;
  if (field == p::kDgcnt) return check;
  if (field == p::kCodCompl) return kCode + check;
  if (field == p::kNumEti) return "REF-0001";
  if (field == p::kNomEti) return "PRODUCTO DE MUESTRA";
  if (field == p::kTipoBar) return "13";
  return std::string(field);
}

}  // namespace

SampleProduct::SampleProduct(const std::string& likeAlias) {
  qv::WorkAreas& areas = qv::workAreas();
  qv::WorkArea* like = areas.find(likeAlias);
  if (!like || !like->table()) return;
  const ErrorCapture quiet;
  std::error_code ec;
  folder_ = std::filesystem::temp_directory_path(ec) / ("qv_muestra_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder_, ec);
  const std::string file = (folder_ / "MUESTRA.DBF").string();
  if (!qv::Table::copyStructure(*like->table(), file)) return;
  const int previous = areas.selected();
  areas.select(0);
  const int mine = areas.selected();
  if (areas.use(file, kSampleAlias, qv::OpenMode::Exclusive) && areas.area().appendBlank()) {
    qv::WorkArea& a = areas.area();
    const std::string check = bc::EAN13_CHECK(kCode);
    for (int i = 0; i < a.fieldCount(); ++i) {
      const qv::FieldDef& f = a.structure()[size_t(i)];
      if (f.type == 'C') a.fieldPut(i, xb::Value(sampleText(xb::upper1252(f.name), check)));
    }
    a.unlock();
    area_ = mine;
  }
  areas.select(previous);
}

SampleProduct::~SampleProduct() {
  qv::WorkAreas& areas = qv::workAreas();
  if (area_) {
    const int previous = areas.selected();
    areas.select(area_);
    areas.close();
    areas.select(previous == area_ ? 1 : previous);
  }
  std::error_code ec;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
}

}  // namespace lb
