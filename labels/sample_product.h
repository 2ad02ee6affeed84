// A sample product for the design editor's preview when there is no stored
// product in hand: a table of one row with the product table's structure,
// in a folder of its own below the system's temporary folder, open under
// the alias MUESTRA while the object lives and removed afterwards. Its
// fields: code 841234567890 with its check digit, the reference "REF-0001",
// the description "PRODUCTO DE MUESTRA", symbology "13"; any other text
// field its own name.
#pragma once

#include <filesystem>
#include <string>

namespace lb {

inline constexpr const char* kSampleAlias = "MUESTRA";

class SampleProduct {
 public:
  // The structure of the table open as `likeAlias`; a table that is not
  // open gives no sample (ok() false).
  explicit SampleProduct(const std::string& likeAlias);
  ~SampleProduct();
  SampleProduct(const SampleProduct&) = delete;
  SampleProduct& operator=(const SampleProduct&) = delete;

  bool ok() const { return area_ != 0; }

 private:
  std::filesystem::path folder_;
  int area_ = 0;
};

}  // namespace lb
