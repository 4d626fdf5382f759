#include "solver/waveform.h"

#include <algorithm>

namespace solver {
namespace {

// The nearest whole part of dutyPercent of n, halves up.
int percentOf(int dutyPercent, int n) { return (2 * dutyPercent * n + 100) / 200; }

}  // namespace

mpq_class highPart(avr::Mode mode, int compare, int top) {
    mpq_class high = mode == avr::Mode::FastPwm ? (compare >= top ? mpq_class(1) : mpq_class(compare + 1, top + 1))
                     : top == 0                 ? mpq_class(0)
                                                : mpq_class(std::min(compare, top), top);
    // mpq_class(n, d) keeps the fraction as given; equal duties compare equal only in lowest terms.
    high.canonicalize();
    return high;
}

int compareForDuty(avr::Mode mode, int dutyPercent, int top) {
    if (mode == avr::Mode::FastPwm)
        return std::clamp(percentOf(dutyPercent, top + 1) - 1, 0, top);
    return std::clamp(percentOf(dutyPercent, top), 0, top);
}

mpq_class highPart(const avr::WaveformMode& mode, int compare, int top) {
    if (mode.lowAtZero && compare == 0)
        return 0;
    return highPart(mode.mode, compare, top);
}

// Held low at 0, no compare value gives a single tick high: from one
// wanted tick on, two are as near, and halves go up.
int compareForDuty(const avr::WaveformMode& mode, int dutyPercent, int top) {
    const int compare = compareForDuty(mode.mode, dutyPercent, top);
    return mode.lowAtZero && compare == 0 && dutyPercent * (top + 1) >= 100 ? std::min(1, top) : compare;
}

}  // namespace solver
