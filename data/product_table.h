// The product table's file and field names, for the layers that read it:
// the product-code record of the code screens (app/product_code.h) and the
// label run, which takes each label's symbology from it.
#pragma once

#include <string_view>

namespace qv::product {

inline constexpr const char* kFile = "CodPro.dbf";
inline constexpr std::string_view kCodigo = "CODIGO";
inline constexpr std::string_view kDgcnt = "DGCNT";
inline constexpr std::string_view kCodCompl = "COD_COMPL";
inline constexpr std::string_view kNumEti = "NUMETI";
inline constexpr std::string_view kNomEti = "NOMETI";
inline constexpr std::string_view kTipoBar = "TIPOBAR";

}  // namespace qv::product
