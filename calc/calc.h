#pragma once

// The timer calculator core: plain C++, no toolkit.
//
//   state.h     CalculatorState, the working values, and the four selection
//               tables that turn a combo box's item index into a number.
//   formulas.h  every timer quantity as a formula over the state.
//   extended.h  80-bit arithmetic that raises the floating-point errors,
//               Round, and the wrapping 32-bit integer operations.
//   numtext.h   the exact decimal and hexadecimal texts, the parsers, and
//               the texts of the error report and the application title.
//   errors.h    the exception classes and their messages.
//   figures.h   each of the main window's figures, its stores and its text,
//               for the window and for avrtimer-calc figures alike.
//
// The main window's handlers read their controls, call these functions and
// write the resulting texts into labels; nothing here knows about windows.

#include "errors.h"
#include "extended.h"
#include "figures.h"
#include "formulas.h"
#include "numtext.h"
#include "state.h"
