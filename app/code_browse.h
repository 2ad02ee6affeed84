// The product-code browse "Seleccione Código" over CodPro2 and its search
// dialog (template BUSCACOD2).
#pragma once

#include <string>

class QWidget;

namespace qv {

class CodeBrowse;

// Runs the browse window "Seleccione Código" over CodPro2, modal over `panel`
// (its position taken from the panel). True when a row was selected: cCodigo
// then holds the selected code (CODIGO without blanks + DGCNT without blanks).
// The caller (page 1 of the main panel) puts it into its code input and enters
// its state Found.
bool CONSULTCODPRO(QWidget* panel = nullptr);
// The search dialog (template BUSCACOD2) for an open browse.
void BUSCASELCOD(CodeBrowse& oBrowse);
// Searches CodPro2 and repositions the browse.
void BUSCA2(const std::string& cText, int nCriterion, CodeBrowse& oBrowse);

}  // namespace qv
