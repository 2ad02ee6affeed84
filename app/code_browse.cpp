#include "app/code_browse.h"

namespace qv {

bool CONSULTCODPRO(QWidget* /*panel*/) { return false; }

void BUSCASELCOD(CodeBrowse& /*oBrowse*/) {}

void BUSCA2(const std::string& /*cText*/, int /*nCriterion*/, CodeBrowse& /*oBrowse*/) {}

}  // namespace qv
