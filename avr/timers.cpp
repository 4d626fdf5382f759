#include "avr/timers.h"

#include <algorithm>

namespace avr {
namespace {

// The two prescaler sets: Timer2 alone has /32 and /128.
constexpr std::array timer0Prescalers{Prescaler{1, 1}, Prescaler{8, 2}, Prescaler{64, 3}, Prescaler{256, 4},
                                      Prescaler{1024, 5}};
constexpr std::array timer2Prescalers{Prescaler{1, 1},   Prescaler{8, 2},   Prescaler{32, 3},  Prescaler{64, 4},
                                      Prescaler{128, 5}, Prescaler{256, 6}, Prescaler{1024, 7}};

// Three WGM bits: both TOP choices of both PWM modes.
constexpr std::array threeBitModes{
    WaveformMode{Mode::Normal, Top::Max, 0},   WaveformMode{Mode::PhasePwm, Top::Max, 1},
    WaveformMode{Mode::Ctc, Top::Ocra, 2},     WaveformMode{Mode::FastPwm, Top::Max, 3},
    WaveformMode{Mode::PhasePwm, Top::Ocra, 5}, WaveformMode{Mode::FastPwm, Top::Ocra, 7},
};
// Two WGM bits (TCCR0 or TCCR2 alone): TOP is 0xFF in both PWM modes.
constexpr std::array twoBitModes{
    WaveformMode{Mode::Normal, Top::Max, 0}, WaveformMode{Mode::PhasePwm, Top::Max, 1},
    WaveformMode{Mode::Ctc, Top::Ocra, 2},   WaveformMode{Mode::FastPwm, Top::Max, 3},
};
constexpr std::array normalOnly{WaveformMode{Mode::Normal, Top::Max, 0}};

constexpr std::array<std::string_view, 2> tccr0ab{"TCCR0A", "TCCR0B"};
constexpr std::array<std::string_view, 2> tccr2ab{"TCCR2A", "TCCR2B"};
constexpr std::array<std::string_view, 1> tccr0{"TCCR0"};
constexpr std::array<std::string_view, 1> tccr2{"TCCR2"};
constexpr std::array asyncBusyAB{Bit{"ASSR", "TCN2UB", 4}, Bit{"ASSR", "OCR2AUB", 3}, Bit{"ASSR", "OCR2BUB", 2},
                                  Bit{"ASSR", "TCR2AUB", 1}, Bit{"ASSR", "TCR2BUB", 0}};
constexpr std::array asyncBusy{Bit{"ASSR", "TCN2UB", 2}, Bit{"ASSR", "OCR2UB", 1}, Bit{"ASSR", "TCR2UB", 0}};

// ------------------------------------------ ATmega48/88/168/328(P), 2560

constexpr std::array<Bit, 3> wgm0ab{Bit{"TCCR0A", "WGM00", 0}, Bit{"TCCR0A", "WGM01", 1}, Bit{"TCCR0B", "WGM02", 3}};
constexpr std::array<Bit, 3> cs0b{Bit{"TCCR0B", "CS00", 0}, Bit{"TCCR0B", "CS01", 1}, Bit{"TCCR0B", "CS02", 2}};
constexpr std::array<Bit, 3> wgm2ab{Bit{"TCCR2A", "WGM20", 0}, Bit{"TCCR2A", "WGM21", 1}, Bit{"TCCR2B", "WGM22", 3}};
constexpr std::array<Bit, 3> cs2b{Bit{"TCCR2B", "CS20", 0}, Bit{"TCCR2B", "CS21", 1}, Bit{"TCCR2B", "CS22", 2}};

constexpr CompareUnit unit0A(std::string_view pin, std::string_view ddr, std::string_view ddrBit) {
    return {"OCR0A", "OC0A", pin, ddr, ddrBit, {Bit{"TCCR0A", "COM0A0", 6}, Bit{"TCCR0A", "COM0A1", 7}},
            Bit{"TIMSK0", "OCIE0A", 1}, Bit{"TIFR0", "OCF0A", 1}, "TIMER0_COMPA_vect"};
}
constexpr CompareUnit unit0B(std::string_view pin, std::string_view ddr, std::string_view ddrBit) {
    return {"OCR0B", "OC0B", pin, ddr, ddrBit, {Bit{"TCCR0A", "COM0B0", 4}, Bit{"TCCR0A", "COM0B1", 5}},
            Bit{"TIMSK0", "OCIE0B", 2}, Bit{"TIFR0", "OCF0B", 2}, "TIMER0_COMPB_vect"};
}
constexpr CompareUnit unit2A(std::string_view pin, std::string_view ddr, std::string_view ddrBit) {
    return {"OCR2A", "OC2A", pin, ddr, ddrBit, {Bit{"TCCR2A", "COM2A0", 6}, Bit{"TCCR2A", "COM2A1", 7}},
            Bit{"TIMSK2", "OCIE2A", 1}, Bit{"TIFR2", "OCF2A", 1}, "TIMER2_COMPA_vect"};
}
constexpr CompareUnit unit2B(std::string_view pin, std::string_view ddr, std::string_view ddrBit) {
    return {"OCR2B", "OC2B", pin, ddr, ddrBit, {Bit{"TCCR2A", "COM2B0", 4}, Bit{"TCCR2A", "COM2B1", 5}},
            Bit{"TIMSK2", "OCIE2B", 2}, Bit{"TIFR2", "OCF2B", 2}, "TIMER2_COMPB_vect"};
}

constexpr Timer timer0AB(std::span<const CompareUnit> units) {
    return {0,     "TCNT0", tccr0ab, timer0Prescalers, true, threeBitModes, wgm0ab, cs0b, units,
            Bit{"TIMSK0", "TOIE0", 0}, Bit{"TIFR0", "TOV0", 0}, "TIMER0_OVF_vect", Bit{}, {}};
}
constexpr Timer timer2AB(std::span<const CompareUnit> units) {
    return {2,     "TCNT2", tccr2ab, timer2Prescalers, false, threeBitModes, wgm2ab, cs2b, units,
            Bit{"TIMSK2", "TOIE2", 0}, Bit{"TIFR2", "TOV2", 0}, "TIMER2_OVF_vect", Bit{"ASSR", "AS2", 5}, asyncBusyAB};
}

constexpr std::array megaX8Units0{unit0A("PD6", "DDRD", "DDD6"), unit0B("PD5", "DDRD", "DDD5")};
constexpr std::array megaX8Units2{unit2A("PB3", "DDRB", "DDB3"), unit2B("PD3", "DDRD", "DDD3")};
constexpr std::array megaX8Timers{timer0AB(megaX8Units0), timer2AB(megaX8Units2)};

constexpr std::array mega2560Units0{unit0A("PB7", "DDRB", "DDB7"), unit0B("PG5", "DDRG", "DDG5")};
constexpr std::array mega2560Units2{unit2A("PB4", "DDRB", "DDB4"), unit2B("PH6", "DDRH", "DDH6")};
constexpr std::array mega2560Timers{timer0AB(mega2560Units0), timer2AB(mega2560Units2)};

// ------------------------------- ATmega8, ATmega16, ATmega32: TCCR0, TCCR2

// WGMn0 sits above the COM bits, WGMn1 below them.
constexpr std::array<Bit, 3> wgm0{Bit{"TCCR0", "WGM00", 6}, Bit{"TCCR0", "WGM01", 3}, Bit{}};
constexpr std::array<Bit, 3> cs0{Bit{"TCCR0", "CS00", 0}, Bit{"TCCR0", "CS01", 1}, Bit{"TCCR0", "CS02", 2}};
constexpr std::array<Bit, 3> wgm2{Bit{"TCCR2", "WGM20", 6}, Bit{"TCCR2", "WGM21", 3}, Bit{}};
constexpr std::array<Bit, 3> cs2{Bit{"TCCR2", "CS20", 0}, Bit{"TCCR2", "CS21", 1}, Bit{"TCCR2", "CS22", 2}};

constexpr CompareUnit unit2(std::string_view pin, std::string_view ddr, std::string_view ddrBit) {
    return {"OCR2", "OC2", pin, ddr, ddrBit, {Bit{"TCCR2", "COM20", 4}, Bit{"TCCR2", "COM21", 5}},
            Bit{"TIMSK", "OCIE2", 7}, Bit{"TIFR", "OCF2", 7}, "TIMER2_COMP_vect"};
}

constexpr Timer timer2Single(std::span<const CompareUnit> units) {
    return {2,     "TCNT2", tccr2, timer2Prescalers, false, twoBitModes, wgm2, cs2, units,
            Bit{"TIMSK", "TOIE2", 6}, Bit{"TIFR", "TOV2", 6}, "TIMER2_OVF_vect", Bit{"ASSR", "AS2", 3}, asyncBusy};
}

// The ATmega8's Timer0 only counts: no compare unit, no waveform bits.
constexpr Timer mega8Timer0{0,     "TCNT0", tccr0, timer0Prescalers, true, normalOnly, {}, cs0, {},
                            Bit{"TIMSK", "TOIE0", 0}, Bit{"TIFR", "TOV0", 0}, "TIMER0_OVF_vect", Bit{}, {}};
constexpr std::array mega8Units2{unit2("PB3", "DDRB", "DDB3")};
constexpr std::array mega8Timers{mega8Timer0, timer2Single(mega8Units2)};

constexpr std::array mega16Units0{CompareUnit{"OCR0", "OC0", "PB3", "DDRB", "DDB3",
                                              {Bit{"TCCR0", "COM00", 4}, Bit{"TCCR0", "COM01", 5}},
                                              Bit{"TIMSK", "OCIE0", 1}, Bit{"TIFR", "OCF0", 1}, "TIMER0_COMP_vect"}};
constexpr std::array mega16Units2{unit2("PD7", "DDRD", "DDD7")};
constexpr std::array mega16Timers{
    Timer{0, "TCNT0", tccr0, timer0Prescalers, true, twoBitModes, wgm0, cs0, mega16Units0, Bit{"TIMSK", "TOIE0", 0},
          Bit{"TIFR", "TOV0", 0}, "TIMER0_OVF_vect", Bit{}, {}},
    timer2Single(mega16Units2),
};

// --------------------------------------------------------------- ATtiny85

// Timer0 as on the ATmega x8, but its interrupt bits share TIMSK with Timer1.
constexpr std::array tiny85Units0{
    CompareUnit{"OCR0A", "OC0A", "PB0", "DDRB", "DDB0", {Bit{"TCCR0A", "COM0A0", 6}, Bit{"TCCR0A", "COM0A1", 7}},
                Bit{"TIMSK", "OCIE0A", 4}, Bit{"TIFR", "OCF0A", 4}, "TIMER0_COMPA_vect"},
    CompareUnit{"OCR0B", "OC0B", "PB1", "DDRB", "DDB1", {Bit{"TCCR0A", "COM0B0", 4}, Bit{"TCCR0A", "COM0B1", 5}},
                Bit{"TIMSK", "OCIE0B", 3}, Bit{"TIFR", "OCF0B", 3}, "TIMER0_COMPB_vect"},
};
constexpr std::array tiny85Timers{Timer{0, "TCNT0", tccr0ab, timer0Prescalers, true, threeBitModes, wgm0ab, cs0b,
                                        tiny85Units0, Bit{"TIMSK", "TOIE0", 1}, Bit{"TIFR", "TOV0", 1},
                                        "TIMER0_OVF_vect", Bit{}, {}}};

constexpr std::array chipTable{
    Chip{"atmega48", "ATmega48", megaX8Timers},     Chip{"atmega88", "ATmega88", megaX8Timers},
    Chip{"atmega168", "ATmega168", megaX8Timers},   Chip{"atmega328", "ATmega328", megaX8Timers},
    Chip{"atmega328p", "ATmega328P", megaX8Timers}, Chip{"atmega8", "ATmega8", mega8Timers},
    Chip{"atmega16", "ATmega16", mega16Timers},     Chip{"atmega32", "ATmega32", mega16Timers},
    Chip{"atmega2560", "ATmega2560", mega2560Timers}, Chip{"attiny85", "ATtiny85", tiny85Timers},
};

// ASCII only: the C library's tolower follows the user's locale.
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

const Prescaler* Timer::prescaler(int divisor) const {
    const auto found = std::ranges::find(prescalers, divisor, &Prescaler::divisor);
    return found == prescalers.end() ? nullptr : &*found;
}

const WaveformMode* Timer::waveform(Mode mode, Top top) const {
    const auto found = std::ranges::find_if(modes, [&](const WaveformMode& m) { return m.mode == mode && m.top == top; });
    return found == modes.end() ? nullptr : &*found;
}

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
