#pragma once

#include "solver/quantity.h"
#include "solver/search.h"

#include <QString>

// The settings search window's Polish words for what the solver reports in
// codes, and its figures with the user's decimal separator.
namespace app {

QString modeText(avr::Mode mode);
// "OCR0A = 249", "TCNT0 = 6 (przeładowanie)", "TOP = OCR2A = 199", "TOP = 0xFF"
QString registersText(const solver::Setting& setting);
QString warningText(solver::Warning warning);
// Why a query has no answer, for the status line.
QString problemText(solver::Problem problem, const solver::Query& query);
// Why a typed value was refused; `what` names the field ("Zegar").
QString quantityText(const solver::QuantityError& error, const QString& what, const QString& given,
                     solver::Dimension dimension);
// A figure of the solver's texts ("1.004 ms") with the user's separator.
QString localized(const std::string& text, const QString& separator);

}  // namespace app
