// The rules every code screen shares: the eight symbology options and the
// symbology code each stores in TipoBar, the search key of a typed code in
// the product-code table, the validation of a complete code before it is
// stored, and the check digit computed for a code typed without one.
//
// Options 4, 6, 7 and 8 (Code 128, industrial and matrix 2 of 5, 5-digit
// supplement) have no check digit of their own here: like option 5 their
// codes are stored whole, with an empty check character, under the key "code
// padded to 25". A lookup that does not find a typed code by its check digit
// also tries it as such a whole code, so that every stored code can be found
// by typing it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

inline constexpr const char* kWrongDigitCount = "Número de Dígitos no corresponde al tipo de Código";
inline constexpr const char* kWrongCheckDigit = "Dígito de Control del Código incorrecto";

// An option as the code screens offer it, from the symbology table
// (bc::symbologies).
struct SymbologyOption {
  int option;           // 1 to 8
  int radioId;          // the option's radio button in every code screen
  std::string tipoBar;  // what TipoBar stores
  int codeLength;       // characters of a complete code; 0: any
  int bodyLength;       // characters typed without the check digit; 0: none computed
};

const std::array<SymbologyOption, 8>& symbologyOptions();

// The option of a stored TipoBar: the first code the text begins with, in
// the order of the options (trailing blanks ignored); option 1 when none.
int optionForTipoBar(std::string_view stored);
// What TipoBar stores for an option ("13" for anything out of range).
std::string tipoBarForOption(int option);

// Key of a typed code in the index CODIGO+DGCNT: all but its last character
// padded to 25, then the last one (the check digit), which is not
// recomputed.
struct SearchKey {
  std::string key;    // 26 characters (25 for an empty code)
  std::string check;  // the last character, or empty
};
SearchKey searchKeyOf(std::string_view code);

// Looks a typed code up in the product-code table (alias CodPro2, order
// Codigo) as a leading-part match. Found: the table stays on the record.
// Not found: the table goes back to the record it was on. Leaves the key
// and the check character in cBusqueda and cCodiCont.
bool BUSCACOD2(const std::string& cCode);

// Whether a complete code may be stored under an option.
// A code kept whole must also be one its symbology can carry (the
// symbology table's refusal): Code 128 the characters of its code sets,
// industrial and matrix 2 of 5 digits only, the supplement exactly five
// digits, Code 39 its 43 characters.
struct CodeCheck {
  enum Verdict { Ok, WrongLength, WrongCheck, Unencodable } verdict = Ok;
  std::string key;    // the search key to store under (when Ok)
  std::string check;  // the check character (when Ok; empty for codes kept whole)
  std::string why;    // what the symbology cannot carry (Unencodable), UTF-8
};
// `code` in Windows-1252 bytes. `storedAlready`: the code is printed again
// as it was stored, and what its symbology can carry is not asked again
// (codes stored before the rule stay printable).
CodeCheck checkCodeToStore(int option, std::string_view code, bool storedAlready = false);

// The validation step of saving a code: true when it may be stored, with its
// key and check character left in cBusqueda and cCodiCont. A rejected code
// gets its stop box titled "Atención....." and changes nothing.
bool validateCodeToStore(int option, const std::string& code, bool storedAlready = false);

// The check digit of a code typed without it (blanks ignored): nothing for
// options without a computed check digit, and nothing with *wrongLength set
// when the number of characters is not the option's.
std::optional<std::string> checkDigitFor(int option, std::string_view digits, bool* wrongLength = nullptr);

// The typed text without blanks, as the check-digit page shows it.
std::string withoutBlanks(std::string_view text);

}  // namespace qv
