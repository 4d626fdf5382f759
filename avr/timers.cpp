#include "avr/timers.h"

#include <algorithm>
#include <array>

namespace avr {
namespace {

// ATmega48/88/168/328(P): the prescaler sets of Timer0 and Timer2 differ;
// Timer2 alone has /32 and /128, and it can run from a watch crystal.
constexpr std::array timer0Prescalers{1, 8, 64, 256, 1024};
constexpr std::array timer2Prescalers{1, 8, 32, 64, 128, 256, 1024};

constexpr std::array megaX8Modes{
    WaveformMode{Mode::Normal, Top::Max},   WaveformMode{Mode::Ctc, Top::Ocra},
    WaveformMode{Mode::FastPwm, Top::Max},  WaveformMode{Mode::FastPwm, Top::Ocra},
    WaveformMode{Mode::PhasePwm, Top::Max}, WaveformMode{Mode::PhasePwm, Top::Ocra},
};

constexpr std::array megaX8Timer0Units{
    CompareUnit{"OCR0A", "OC0A", "PD6"},
    CompareUnit{"OCR0B", "OC0B", "PD5"},
};
constexpr std::array megaX8Timer2Units{
    CompareUnit{"OCR2A", "OC2A", "PB3"},
    CompareUnit{"OCR2B", "OC2B", "PD3"},
};

constexpr std::array megaX8Timers{
    Timer{0, "TCNT0", timer0Prescalers, megaX8Modes, megaX8Timer0Units, false},
    Timer{2, "TCNT2", timer2Prescalers, megaX8Modes, megaX8Timer2Units, true},
};

constexpr std::array chipTable{
    Chip{"atmega48", "ATmega48", megaX8Timers},
    Chip{"atmega88", "ATmega88", megaX8Timers},
    Chip{"atmega168", "ATmega168", megaX8Timers},
    Chip{"atmega328", "ATmega328", megaX8Timers},
    Chip{"atmega328p", "ATmega328P", megaX8Timers},
};

// ASCII only: the C library's tolower follows the user's locale.
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

const Timer* Chip::timer(int number) const {
    const auto found = std::ranges::find(timers, number, &Timer::number);
    return found == timers.end() ? nullptr : &*found;
}

std::span<const Chip> chips() { return chipTable; }

const Chip* findChip(std::string_view name) {
    const auto found = std::ranges::find_if(chipTable, [name](const Chip& chip) { return sameName(chip.name, name); });
    return found == chipTable.end() ? nullptr : &*found;
}

}  // namespace avr
