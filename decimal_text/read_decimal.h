// Reading decimals to the nearest double: the header the other layers include for it.
// SPDX-License-Identifier: MIT
#pragma once

// A number's rules: IsDigit, IsSign, IsDecimalMark, kMaxSignificantDigits, kExponentCap.
#include "decimal_text/decimal_grammar.h"
// FractionLeadingBits and FractionMagnitude, for a reader that values a number's digits itself
// (the vector reader).
#include "decimal_text/eisel_lemire.h"
// ParseDecimalField: any field, by the fastest exact stage, and why a field is turned down.
#include "decimal_text/parse_decimal_field.h"
// ReadSimpleDecimal: one pass over the shape nearly every coordinate has.
#include "decimal_text/read_simple_decimal.h"
