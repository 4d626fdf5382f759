#include "avr/timers.h"

#include <algorithm>

namespace avr {
namespace {

// The two prescaler sets of the megas' 8-bit timers: Timer2 alone has /32
// and /128. The 16-bit timers have Timer0's.
constexpr std::array timer0Prescalers{Prescaler{1, 1}, Prescaler{8, 2}, Prescaler{64, 3}, Prescaler{256, 4},
                                      Prescaler{1024, 5}};
constexpr std::array timer2Prescalers{Prescaler{1, 1},   Prescaler{8, 2},   Prescaler{32, 3},  Prescaler{64, 4},
                                      Prescaler{128, 5}, Prescaler{256, 6}, Prescaler{1024, 7}};

// Three WGM bits: both TOP choices of both PWM modes.
constexpr std::array threeBitModes{
    WaveformMode{Mode::Normal, Top::Fixed, 0, 0xFF},  WaveformMode{Mode::PhasePwm, Top::Fixed, 1, 0xFF},
    WaveformMode{Mode::Ctc, Top::Ocr, 2},             WaveformMode{Mode::FastPwm, Top::Fixed, 3, 0xFF},
    WaveformMode{Mode::PhasePwm, Top::Ocr, 5},        WaveformMode{Mode::FastPwm, Top::Ocr, 7},
};
// Two WGM bits (TCCR0 or TCCR2 alone): TOP is 0xFF in both PWM modes.
constexpr std::array twoBitModes{
    WaveformMode{Mode::Normal, Top::Fixed, 0, 0xFF}, WaveformMode{Mode::PhasePwm, Top::Fixed, 1, 0xFF},
    WaveformMode{Mode::Ctc, Top::Ocr, 2},            WaveformMode{Mode::FastPwm, Top::Fixed, 3, 0xFF},
};
constexpr std::array normalOnly{WaveformMode{Mode::Normal, Top::Fixed, 0, 0xFF}};

// Four WGM bits, alike on every mega's Timer1, 3, 4 and 5; code 13 is reserved.
constexpr std::array fourBitModes{
    WaveformMode{Mode::Normal, Top::Fixed, 0, 0xFFFF},
    WaveformMode{Mode::PhasePwm, Top::Fixed, 1, 0xFF},
    WaveformMode{Mode::PhasePwm, Top::Fixed, 2, 0x1FF},
    WaveformMode{Mode::PhasePwm, Top::Fixed, 3, 0x3FF},
    WaveformMode{Mode::Ctc, Top::Ocr, 4},
    WaveformMode{Mode::FastPwm, Top::Fixed, 5, 0xFF},
    WaveformMode{Mode::FastPwm, Top::Fixed, 6, 0x1FF},
    WaveformMode{Mode::FastPwm, Top::Fixed, 7, 0x3FF},
    WaveformMode{Mode::PhaseFrequencyPwm, Top::Icr, 8},
    WaveformMode{Mode::PhaseFrequencyPwm, Top::Ocr, 9},
    WaveformMode{Mode::PhasePwm, Top::Icr, 10},
    WaveformMode{Mode::PhasePwm, Top::Ocr, 11},
    WaveformMode{Mode::Ctc, Top::Icr, 12},
    WaveformMode{Mode::FastPwm, Top::Icr, 14},
    WaveformMode{Mode::FastPwm, Top::Ocr, 15},
};

constexpr std::array<std::string_view, 2> tccr0ab{"TCCR0A", "TCCR0B"};
constexpr std::array<std::string_view, 2> tccr2ab{"TCCR2A", "TCCR2B"};
constexpr std::array<std::string_view, 1> tccr0{"TCCR0"};
constexpr std::array<std::string_view, 1> tccr2{"TCCR2"};
constexpr std::array asyncBusyAB{Bit{"ASSR", "TCN2UB", 4}, Bit{"ASSR", "OCR2AUB", 3}, Bit{"ASSR", "OCR2BUB", 2},
                                  Bit{"ASSR", "TCR2AUB", 1}, Bit{"ASSR", "TCR2BUB", 0}};
constexpr std::array asyncBusy{Bit{"ASSR", "TCN2UB", 2}, Bit{"ASSR", "OCR2UB", 1}, Bit{"ASSR", "TCR2UB", 0}};

// ------------------------------------------ ATmega48/88/168/328(P), 2560

constexpr std::array<Bit, 4> wgm0ab{Bit{"TCCR0A", "WGM00", 0}, Bit{"TCCR0A", "WGM01", 1}, Bit{"TCCR0B", "WGM02", 3}};
constexpr std::array<Bit, 4> cs0b{Bit{"TCCR0B", "CS00", 0}, Bit{"TCCR0B", "CS01", 1}, Bit{"TCCR0B", "CS02", 2}};
constexpr std::array<Bit, 4> wgm2ab{Bit{"TCCR2A", "WGM20", 0}, Bit{"TCCR2A", "WGM21", 1}, Bit{"TCCR2B", "WGM22", 3}};
constexpr std::array<Bit, 4> cs2b{Bit{"TCCR2B", "CS20", 0}, Bit{"TCCR2B", "CS21", 1}, Bit{"TCCR2B", "CS22", 2}};

constexpr CompareUnit unit0A(std::string_view pin, Bit ddr) {
    return {"OCR0A", "OC0A", pin, ddr, {Bit{"TCCR0A", "COM0A0", 6}, Bit{"TCCR0A", "COM0A1", 7}},
            Bit{"TIMSK0", "OCIE0A", 1}, Bit{"TIFR0", "OCF0A", 1}, "TIMER0_COMPA_vect"};
}
constexpr CompareUnit unit0B(std::string_view pin, Bit ddr) {
    return {"OCR0B", "OC0B", pin, ddr, {Bit{"TCCR0A", "COM0B0", 4}, Bit{"TCCR0A", "COM0B1", 5}},
            Bit{"TIMSK0", "OCIE0B", 2}, Bit{"TIFR0", "OCF0B", 2}, "TIMER0_COMPB_vect"};
}
constexpr CompareUnit unit2A(std::string_view pin, Bit ddr) {
    return {"OCR2A", "OC2A", pin, ddr, {Bit{"TCCR2A", "COM2A0", 6}, Bit{"TCCR2A", "COM2A1", 7}},
            Bit{"TIMSK2", "OCIE2A", 1}, Bit{"TIFR2", "OCF2A", 1}, "TIMER2_COMPA_vect"};
}
constexpr CompareUnit unit2B(std::string_view pin, Bit ddr) {
    return {"OCR2B", "OC2B", pin, ddr, {Bit{"TCCR2A", "COM2B0", 4}, Bit{"TCCR2A", "COM2B1", 5}},
            Bit{"TIMSK2", "OCIE2B", 2}, Bit{"TIFR2", "OCF2B", 2}, "TIMER2_COMPB_vect"};
}

constexpr std::array foc0ab{Bit{"TCCR0B", "FOC0A", 7}, Bit{"TCCR0B", "FOC0B", 6}};
constexpr std::array foc2abExclk{Bit{"TCCR2B", "FOC2A", 7}, Bit{"TCCR2B", "FOC2B", 6}, Bit{"ASSR", "EXCLK", 6}};

constexpr Timer timer0AB(std::span<const CompareUnit> units) {
    return {.number = 0, .bits = 8, .counter = "TCNT0", .control = tccr0ab, .prescalers = timer0Prescalers,
            .externalClock = true, .modes = threeBitModes, .wgm = wgm0ab, .cs = cs0b, .compareUnits = units,
            .topOcr = "OCR0A", .overflowInterrupt = Bit{"TIMSK0", "TOIE0", 0},
            .overflowFlag = Bit{"TIFR0", "TOV0", 0}, .overflowVector = "TIMER0_OVF_vect", .otherBits = foc0ab};
}
constexpr Timer timer2AB(std::span<const CompareUnit> units) {
    return {.number = 2, .bits = 8, .counter = "TCNT2", .control = tccr2ab, .prescalers = timer2Prescalers,
            .externalClock = false, .modes = threeBitModes, .wgm = wgm2ab, .cs = cs2b, .compareUnits = units,
            .topOcr = "OCR2A", .overflowInterrupt = Bit{"TIMSK2", "TOIE2", 0},
            .overflowFlag = Bit{"TIFR2", "TOV2", 0}, .overflowVector = "TIMER2_OVF_vect",
            .crystal = Bit{"ASSR", "AS2", 5}, .crystalBusy = asyncBusyAB, .otherBits = foc2abExclk,
            .counterInIo = false};
}

// The 16-bit timers of every mega: COMnA, COMnB and COMnC at 7:6, 5:4 and
// 3:2 of TCCRnA, WGMn1:0 below them, WGMn3:2 and CSn2:0 in TCCRnB. TCCRnC
// holds only the force-compare strobes, which no setup writes.
struct Timer16 {
    int number;
    std::string_view counter;
    std::span<const std::string_view> control;
    std::array<Bit, 4> wgm, cs;
    std::span<const CompareUnit> units;
    std::string_view topOcr;
    Bit overflowInterrupt, overflowFlag;
    std::string_view overflowVector;
    InputCapture capture;
    std::string_view forceCompare{};
    bool togglesWithIcrTop = false;
    std::span<const Bit> otherBits{};
    bool counterInIo = false;
};

constexpr Timer timer16(const Timer16& t) {
    return {.number = t.number, .bits = 16, .counter = t.counter, .control = t.control,
            .prescalers = timer0Prescalers, .externalClock = true, .modes = fourBitModes, .wgm = t.wgm, .cs = t.cs,
            .compareUnits = t.units, .topOcr = t.topOcr, .overflowInterrupt = t.overflowInterrupt,
            .overflowFlag = t.overflowFlag, .overflowVector = t.overflowVector, .capture = t.capture,
            .forceCompare = t.forceCompare, .togglesWithIcrTop = t.togglesWithIcrTop, .otherBits = t.otherBits,
            .counterInIo = t.counterInIo};
}

// ICNCn and ICESn in TCCRnB, the strobes in TCCRnC on the ATmega48-328P
// and 2560 (FOCnC too on the 2560), in TCCR1A on the ATmega8/16/32.
constexpr std::array<Bit, 4> capture16(std::string_view tccrb, std::string_view icnc, std::string_view ices,
                                       Bit focA, Bit focB) {
    return {Bit{tccrb, icnc, 7}, Bit{tccrb, ices, 6}, focA, focB};
}
constexpr auto other1 = capture16("TCCR1B", "ICNC1", "ICES1", Bit{"TCCR1C", "FOC1A", 7}, Bit{"TCCR1C", "FOC1B", 6});
constexpr auto other1Shared =
    capture16("TCCR1B", "ICNC1", "ICES1", Bit{"TCCR1A", "FOC1A", 3}, Bit{"TCCR1A", "FOC1B", 2});
constexpr std::array<Bit, 5> with5(const std::array<Bit, 4>& bits, Bit focC) {
    return {bits[0], bits[1], bits[2], bits[3], focC};
}
constexpr auto other2560_1 = with5(other1, Bit{"TCCR1C", "FOC1C", 5});
constexpr auto other2560_3 = with5(
    capture16("TCCR3B", "ICNC3", "ICES3", Bit{"TCCR3C", "FOC3A", 7}, Bit{"TCCR3C", "FOC3B", 6}), Bit{"TCCR3C", "FOC3C", 5});
constexpr auto other2560_4 = with5(
    capture16("TCCR4B", "ICNC4", "ICES4", Bit{"TCCR4C", "FOC4A", 7}, Bit{"TCCR4C", "FOC4B", 6}), Bit{"TCCR4C", "FOC4C", 5});
constexpr auto other2560_5 = with5(
    capture16("TCCR5B", "ICNC5", "ICES5", Bit{"TCCR5C", "FOC5A", 7}, Bit{"TCCR5C", "FOC5B", 6}), Bit{"TCCR5C", "FOC5C", 5});

constexpr std::array<std::string_view, 2> tccr1ab{"TCCR1A", "TCCR1B"};
constexpr std::array<Bit, 4> wgm1ab{Bit{"TCCR1A", "WGM10", 0}, Bit{"TCCR1A", "WGM11", 1}, Bit{"TCCR1B", "WGM12", 3},
                                    Bit{"TCCR1B", "WGM13", 4}};
constexpr std::array<Bit, 4> cs1b{Bit{"TCCR1B", "CS10", 0}, Bit{"TCCR1B", "CS11", 1}, Bit{"TCCR1B", "CS12", 2}};

constexpr std::array megaX8Units0{unit0A("PD6", Bit{"DDRD", "DDD6", 6}), unit0B("PD5", Bit{"DDRD", "DDD5", 5})};
constexpr std::array megaX8Units1{
    CompareUnit{"OCR1A", "OC1A", "PB1", Bit{"DDRB", "DDB1", 1}, {Bit{"TCCR1A", "COM1A0", 6}, Bit{"TCCR1A", "COM1A1", 7}},
                Bit{"TIMSK1", "OCIE1A", 1}, Bit{"TIFR1", "OCF1A", 1}, "TIMER1_COMPA_vect"},
    CompareUnit{"OCR1B", "OC1B", "PB2", Bit{"DDRB", "DDB2", 2}, {Bit{"TCCR1A", "COM1B0", 4}, Bit{"TCCR1A", "COM1B1", 5}},
                Bit{"TIMSK1", "OCIE1B", 2}, Bit{"TIFR1", "OCF1B", 2}, "TIMER1_COMPB_vect"},
};
constexpr std::array megaX8Units2{unit2A("PB3", Bit{"DDRB", "DDB3", 3}), unit2B("PD3", Bit{"DDRD", "DDD3", 3})};
constexpr std::array megaX8Timers{
    timer0AB(megaX8Units0),
    timer16({1, "TCNT1", tccr1ab, wgm1ab, cs1b, megaX8Units1, "OCR1A", Bit{"TIMSK1", "TOIE1", 0},
             Bit{"TIFR1", "TOV1", 0}, "TIMER1_OVF_vect",
             InputCapture{"ICR1", "ICP1", "PB0", Bit{"DDRB", "DDB0", 0}, Bit{"TIMSK1", "ICIE1", 5},
                          Bit{"TIFR1", "ICF1", 5}, "TIMER1_CAPT_vect"}, "TCCR1C", true, other1}),
    timer2AB(megaX8Units2),
};

// OC1C on PB7 is OC0A's pin too: the two outputs mix there.
constexpr std::array mega2560Units0{unit0A("PB7", Bit{"DDRB", "DDB7", 7}), unit0B("PG5", Bit{"DDRG", "DDG5", 5})};
constexpr std::array mega2560Units1{
    CompareUnit{"OCR1A", "OC1A", "PB5", Bit{"DDRB", "DDB5", 5}, {Bit{"TCCR1A", "COM1A0", 6}, Bit{"TCCR1A", "COM1A1", 7}},
                Bit{"TIMSK1", "OCIE1A", 1}, Bit{"TIFR1", "OCF1A", 1}, "TIMER1_COMPA_vect"},
    CompareUnit{"OCR1B", "OC1B", "PB6", Bit{"DDRB", "DDB6", 6}, {Bit{"TCCR1A", "COM1B0", 4}, Bit{"TCCR1A", "COM1B1", 5}},
                Bit{"TIMSK1", "OCIE1B", 2}, Bit{"TIFR1", "OCF1B", 2}, "TIMER1_COMPB_vect"},
    CompareUnit{"OCR1C", "OC1C", "PB7", Bit{"DDRB", "DDB7", 7}, {Bit{"TCCR1A", "COM1C0", 2}, Bit{"TCCR1A", "COM1C1", 3}},
                Bit{"TIMSK1", "OCIE1C", 3}, Bit{"TIFR1", "OCF1C", 3}, "TIMER1_COMPC_vect"},
};
constexpr std::array mega2560Units2{unit2A("PB4", Bit{"DDRB", "DDB4", 4}), unit2B("PH6", Bit{"DDRH", "DDH6", 6})};
constexpr std::array<std::string_view, 2> tccr3ab{"TCCR3A", "TCCR3B"};
constexpr std::array<Bit, 4> wgm3ab{Bit{"TCCR3A", "WGM30", 0}, Bit{"TCCR3A", "WGM31", 1}, Bit{"TCCR3B", "WGM32", 3},
                                    Bit{"TCCR3B", "WGM33", 4}};
constexpr std::array<Bit, 4> cs3b{Bit{"TCCR3B", "CS30", 0}, Bit{"TCCR3B", "CS31", 1}, Bit{"TCCR3B", "CS32", 2}};
constexpr std::array mega2560Units3{
    CompareUnit{"OCR3A", "OC3A", "PE3", Bit{"DDRE", "DDE3", 3}, {Bit{"TCCR3A", "COM3A0", 6}, Bit{"TCCR3A", "COM3A1", 7}},
                Bit{"TIMSK3", "OCIE3A", 1}, Bit{"TIFR3", "OCF3A", 1}, "TIMER3_COMPA_vect"},
    CompareUnit{"OCR3B", "OC3B", "PE4", Bit{"DDRE", "DDE4", 4}, {Bit{"TCCR3A", "COM3B0", 4}, Bit{"TCCR3A", "COM3B1", 5}},
                Bit{"TIMSK3", "OCIE3B", 2}, Bit{"TIFR3", "OCF3B", 2}, "TIMER3_COMPB_vect"},
    CompareUnit{"OCR3C", "OC3C", "PE5", Bit{"DDRE", "DDE5", 5}, {Bit{"TCCR3A", "COM3C0", 2}, Bit{"TCCR3A", "COM3C1", 3}},
                Bit{"TIMSK3", "OCIE3C", 3}, Bit{"TIFR3", "OCF3C", 3}, "TIMER3_COMPC_vect"},
};
constexpr std::array<std::string_view, 2> tccr4ab{"TCCR4A", "TCCR4B"};
constexpr std::array<Bit, 4> wgm4ab{Bit{"TCCR4A", "WGM40", 0}, Bit{"TCCR4A", "WGM41", 1}, Bit{"TCCR4B", "WGM42", 3},
                                    Bit{"TCCR4B", "WGM43", 4}};
constexpr std::array<Bit, 4> cs4b{Bit{"TCCR4B", "CS40", 0}, Bit{"TCCR4B", "CS41", 1}, Bit{"TCCR4B", "CS42", 2}};
constexpr std::array mega2560Units4{
    CompareUnit{"OCR4A", "OC4A", "PH3", Bit{"DDRH", "DDH3", 3}, {Bit{"TCCR4A", "COM4A0", 6}, Bit{"TCCR4A", "COM4A1", 7}},
                Bit{"TIMSK4", "OCIE4A", 1}, Bit{"TIFR4", "OCF4A", 1}, "TIMER4_COMPA_vect"},
    CompareUnit{"OCR4B", "OC4B", "PH4", Bit{"DDRH", "DDH4", 4}, {Bit{"TCCR4A", "COM4B0", 4}, Bit{"TCCR4A", "COM4B1", 5}},
                Bit{"TIMSK4", "OCIE4B", 2}, Bit{"TIFR4", "OCF4B", 2}, "TIMER4_COMPB_vect"},
    CompareUnit{"OCR4C", "OC4C", "PH5", Bit{"DDRH", "DDH5", 5}, {Bit{"TCCR4A", "COM4C0", 2}, Bit{"TCCR4A", "COM4C1", 3}},
                Bit{"TIMSK4", "OCIE4C", 3}, Bit{"TIFR4", "OCF4C", 3}, "TIMER4_COMPC_vect"},
};
constexpr std::array<std::string_view, 2> tccr5ab{"TCCR5A", "TCCR5B"};
constexpr std::array<Bit, 4> wgm5ab{Bit{"TCCR5A", "WGM50", 0}, Bit{"TCCR5A", "WGM51", 1}, Bit{"TCCR5B", "WGM52", 3},
                                    Bit{"TCCR5B", "WGM53", 4}};
constexpr std::array<Bit, 4> cs5b{Bit{"TCCR5B", "CS50", 0}, Bit{"TCCR5B", "CS51", 1}, Bit{"TCCR5B", "CS52", 2}};
constexpr std::array mega2560Units5{
    CompareUnit{"OCR5A", "OC5A", "PL3", Bit{"DDRL", "DDL3", 3}, {Bit{"TCCR5A", "COM5A0", 6}, Bit{"TCCR5A", "COM5A1", 7}},
                Bit{"TIMSK5", "OCIE5A", 1}, Bit{"TIFR5", "OCF5A", 1}, "TIMER5_COMPA_vect"},
    CompareUnit{"OCR5B", "OC5B", "PL4", Bit{"DDRL", "DDL4", 4}, {Bit{"TCCR5A", "COM5B0", 4}, Bit{"TCCR5A", "COM5B1", 5}},
                Bit{"TIMSK5", "OCIE5B", 2}, Bit{"TIFR5", "OCF5B", 2}, "TIMER5_COMPB_vect"},
    CompareUnit{"OCR5C", "OC5C", "PL5", Bit{"DDRL", "DDL5", 5}, {Bit{"TCCR5A", "COM5C0", 2}, Bit{"TCCR5A", "COM5C1", 3}},
                Bit{"TIMSK5", "OCIE5C", 3}, Bit{"TIFR5", "OCF5C", 3}, "TIMER5_COMPC_vect"},
};
constexpr std::array mega2560Timers{
    timer0AB(mega2560Units0),
    timer16({1, "TCNT1", tccr1ab, wgm1ab, cs1b, mega2560Units1, "OCR1A", Bit{"TIMSK1", "TOIE1", 0},
             Bit{"TIFR1", "TOV1", 0}, "TIMER1_OVF_vect",
             InputCapture{"ICR1", "ICP1", "PD4", Bit{"DDRD", "DDD4", 4}, Bit{"TIMSK1", "ICIE1", 5},
                          Bit{"TIFR1", "ICF1", 5}, "TIMER1_CAPT_vect"}, "TCCR1C", true, other2560_1}),
    timer2AB(mega2560Units2),
    timer16({3, "TCNT3", tccr3ab, wgm3ab, cs3b, mega2560Units3, "OCR3A", Bit{"TIMSK3", "TOIE3", 0},
             Bit{"TIFR3", "TOV3", 0}, "TIMER3_OVF_vect",
             InputCapture{"ICR3", "ICP3", "PE7", Bit{"DDRE", "DDE7", 7}, Bit{"TIMSK3", "ICIE3", 5},
                          Bit{"TIFR3", "ICF3", 5}, "TIMER3_CAPT_vect"}, "TCCR3C", true, other2560_3}),
    timer16({4, "TCNT4", tccr4ab, wgm4ab, cs4b, mega2560Units4, "OCR4A", Bit{"TIMSK4", "TOIE4", 0},
             Bit{"TIFR4", "TOV4", 0}, "TIMER4_OVF_vect",
             InputCapture{"ICR4", "ICP4", "PL0", Bit{"DDRL", "DDL0", 0}, Bit{"TIMSK4", "ICIE4", 5},
                          Bit{"TIFR4", "ICF4", 5}, "TIMER4_CAPT_vect"}, "TCCR4C", true, other2560_4}),
    timer16({5, "TCNT5", tccr5ab, wgm5ab, cs5b, mega2560Units5, "OCR5A", Bit{"TIMSK5", "TOIE5", 0},
             Bit{"TIFR5", "TOV5", 0}, "TIMER5_OVF_vect",
             InputCapture{"ICR5", "ICP5", "PL1", Bit{"DDRL", "DDL1", 1}, Bit{"TIMSK5", "ICIE5", 5},
                          Bit{"TIFR5", "ICF5", 5}, "TIMER5_CAPT_vect"}, "TCCR5C", true, other2560_5}),
};

// ------------------------------- ATmega8, ATmega16, ATmega32: TCCR0, TCCR2

// WGMn0 sits above the COM bits, WGMn1 below them.
constexpr std::array<Bit, 4> wgm0{Bit{"TCCR0", "WGM00", 6}, Bit{"TCCR0", "WGM01", 3}};
constexpr std::array<Bit, 4> cs0{Bit{"TCCR0", "CS00", 0}, Bit{"TCCR0", "CS01", 1}, Bit{"TCCR0", "CS02", 2}};
constexpr std::array<Bit, 4> wgm2{Bit{"TCCR2", "WGM20", 6}, Bit{"TCCR2", "WGM21", 3}};
constexpr std::array<Bit, 4> cs2{Bit{"TCCR2", "CS20", 0}, Bit{"TCCR2", "CS21", 1}, Bit{"TCCR2", "CS22", 2}};

constexpr CompareUnit unit2(std::string_view pin, Bit ddr) {
    return {"OCR2", "OC2", pin, ddr, {Bit{"TCCR2", "COM20", 4}, Bit{"TCCR2", "COM21", 5}},
            Bit{"TIMSK", "OCIE2", 7}, Bit{"TIFR", "OCF2", 7}, "TIMER2_COMP_vect"};
}

constexpr std::array foc2{Bit{"TCCR2", "FOC2", 7}};
constexpr std::array foc0{Bit{"TCCR0", "FOC0", 7}};

constexpr Timer timer2Single(std::span<const CompareUnit> units) {
    return {.number = 2, .bits = 8, .counter = "TCNT2", .control = tccr2, .prescalers = timer2Prescalers,
            .externalClock = false, .modes = twoBitModes, .wgm = wgm2, .cs = cs2, .compareUnits = units,
            .topOcr = "OCR2", .overflowInterrupt = Bit{"TIMSK", "TOIE2", 6}, .overflowFlag = Bit{"TIFR", "TOV2", 6},
            .overflowVector = "TIMER2_OVF_vect", .crystal = Bit{"ASSR", "AS2", 3}, .crystalBusy = asyncBusy,
            .otherBits = foc2};
}

// Timer1's interrupt bits share TIMSK and TIFR with Timer0's and Timer2's.
constexpr Timer timer1Shared(std::span<const CompareUnit> units, const InputCapture& capture) {
    return timer16({1, "TCNT1", tccr1ab, wgm1ab, cs1b, units, "OCR1A", Bit{"TIMSK", "TOIE1", 2},
                    Bit{"TIFR", "TOV1", 2}, "TIMER1_OVF_vect", capture, {}, false, other1Shared, true});
}
constexpr CompareUnit unit1ASharedMask(std::string_view pin, Bit ddr) {
    return {"OCR1A", "OC1A", pin, ddr, {Bit{"TCCR1A", "COM1A0", 6}, Bit{"TCCR1A", "COM1A1", 7}},
            Bit{"TIMSK", "OCIE1A", 4}, Bit{"TIFR", "OCF1A", 4}, "TIMER1_COMPA_vect"};
}
constexpr CompareUnit unit1BSharedMask(std::string_view pin, Bit ddr) {
    return {"OCR1B", "OC1B", pin, ddr, {Bit{"TCCR1A", "COM1B0", 4}, Bit{"TCCR1A", "COM1B1", 5}},
            Bit{"TIMSK", "OCIE1B", 3}, Bit{"TIFR", "OCF1B", 3}, "TIMER1_COMPB_vect"};
}
constexpr InputCapture capture1SharedMask(std::string_view pin, Bit ddr) {
    return {"ICR1", "ICP1", pin, ddr, Bit{"TIMSK", "TICIE1", 5}, Bit{"TIFR", "ICF1", 5}, "TIMER1_CAPT_vect"};
}

// The ATmega8's Timer0 only counts: no compare unit, no waveform bits.
constexpr Timer mega8Timer0{.number = 0, .bits = 8, .counter = "TCNT0", .control = tccr0,
                            .prescalers = timer0Prescalers, .externalClock = true, .modes = normalOnly, .wgm = {},
                            .cs = cs0, .compareUnits = {}, .topOcr = {}, .overflowInterrupt = Bit{"TIMSK", "TOIE0", 0},
                            .overflowFlag = Bit{"TIFR", "TOV0", 0}, .overflowVector = "TIMER0_OVF_vect"};
constexpr std::array mega8Units1{unit1ASharedMask("PB1", Bit{"DDRB", "DDB1", 1}),
                                 unit1BSharedMask("PB2", Bit{"DDRB", "DDB2", 2})};
constexpr std::array mega8Units2{unit2("PB3", Bit{"DDRB", "DDB3", 3})};
constexpr std::array mega8Timers{
    mega8Timer0,
    timer1Shared(mega8Units1, capture1SharedMask("PB0", Bit{"DDRB", "DDB0", 0})),
    timer2Single(mega8Units2),
};

constexpr std::array mega16Units0{CompareUnit{"OCR0", "OC0", "PB3", Bit{"DDRB", "DDB3", 3},
                                              {Bit{"TCCR0", "COM00", 4}, Bit{"TCCR0", "COM01", 5}},
                                              Bit{"TIMSK", "OCIE0", 1}, Bit{"TIFR", "OCF0", 1}, "TIMER0_COMP_vect"}};
constexpr std::array mega16Units1{unit1ASharedMask("PD5", Bit{"DDRD", "DDD5", 5}),
                                  unit1BSharedMask("PD4", Bit{"DDRD", "DDD4", 4})};
constexpr std::array mega16Units2{unit2("PD7", Bit{"DDRD", "DDD7", 7})};
constexpr std::array mega16Timers{
    Timer{.number = 0, .bits = 8, .counter = "TCNT0", .control = tccr0, .prescalers = timer0Prescalers,
          .externalClock = true, .modes = twoBitModes, .wgm = wgm0, .cs = cs0, .compareUnits = mega16Units0,
          .topOcr = "OCR0", .overflowInterrupt = Bit{"TIMSK", "TOIE0", 0}, .overflowFlag = Bit{"TIFR", "TOV0", 0},
          .overflowVector = "TIMER0_OVF_vect", .otherBits = foc0},
    timer1Shared(mega16Units1, capture1SharedMask("PD6", Bit{"DDRD", "DDD6", 6})),
    timer2Single(mega16Units2),
};

// --------------------------------------------------------------- ATtiny85

// Timer0 as on the ATmega x8, but its interrupt bits share TIMSK with Timer1.
constexpr std::array tiny85Units0{
    CompareUnit{"OCR0A", "OC0A", "PB0", Bit{"DDRB", "DDB0", 0}, {Bit{"TCCR0A", "COM0A0", 6}, Bit{"TCCR0A", "COM0A1", 7}},
                Bit{"TIMSK", "OCIE0A", 4}, Bit{"TIFR", "OCF0A", 4}, "TIMER0_COMPA_vect"},
    CompareUnit{"OCR0B", "OC0B", "PB1", Bit{"DDRB", "DDB1", 1}, {Bit{"TCCR0A", "COM0B0", 4}, Bit{"TCCR0A", "COM0B1", 5}},
                Bit{"TIMSK", "OCIE0B", 3}, Bit{"TIFR", "OCF0B", 3}, "TIMER0_COMPB_vect"},
};

// Timer1 divides by 2^(k-1) for CS13:0 = k, from 1 to 16384.
constexpr std::array tiny85Timer1Prescalers{
    Prescaler{1, 1},      Prescaler{2, 2},      Prescaler{4, 3},     Prescaler{8, 4},    Prescaler{16, 5},
    Prescaler{32, 6},     Prescaler{64, 7},     Prescaler{128, 8},   Prescaler{256, 9},  Prescaler{512, 10},
    Prescaler{1024, 11},  Prescaler{2048, 12},  Prescaler{4096, 13}, Prescaler{8192, 14}, Prescaler{16384, 15},
};
// Its mode bits as a WGM code: CTC1 (1) clears the counter at OCR1C, and
// PWM1A (2) with PWM1B (4) make both units single-slope PWM with TOP OCR1C.
constexpr std::array tiny85Timer1Modes{
    WaveformMode{Mode::Normal, Top::Fixed, 0, 0xFF},
    WaveformMode{Mode::Ctc, Top::Ocr, 1},
    WaveformMode{Mode::FastPwm, Top::Ocr, 6, 0, true},
};
constexpr std::array<std::string_view, 2> tiny85Timer1Control{"TCCR1", "GTCCR"};
constexpr std::array tiny85Units1{
    CompareUnit{"OCR1A", "OC1A", "PB1", Bit{"DDRB", "DDB1", 1}, {Bit{"TCCR1", "COM1A0", 4}, Bit{"TCCR1", "COM1A1", 5}},
                Bit{"TIMSK", "OCIE1A", 6}, Bit{"TIFR", "OCF1A", 6}, "TIMER1_COMPA_vect"},
    CompareUnit{"OCR1B", "OC1B", "PB4", Bit{"DDRB", "DDB4", 4}, {Bit{"GTCCR", "COM1B0", 4}, Bit{"GTCCR", "COM1B1", 5}},
                Bit{"TIMSK", "OCIE1B", 5}, Bit{"TIFR", "OCF1B", 5}, "TIMER1_COMPB_vect"},
};
// GTCCR's synchronisation mode and prescaler resets, PSR0 Timer0's.
constexpr std::array tiny85Other1{Bit{"GTCCR", "TSM", 7}, Bit{"GTCCR", "FOC1B", 3}, Bit{"GTCCR", "FOC1A", 2},
                                  Bit{"GTCCR", "PSR1", 1}, Bit{"GTCCR", "PSR0", 0}};
constexpr std::array tiny85Timers{
    Timer{.number = 0, .bits = 8, .counter = "TCNT0", .control = tccr0ab, .prescalers = timer0Prescalers,
          .externalClock = true, .modes = threeBitModes, .wgm = wgm0ab, .cs = cs0b, .compareUnits = tiny85Units0,
          .topOcr = "OCR0A", .overflowInterrupt = Bit{"TIMSK", "TOIE0", 1}, .overflowFlag = Bit{"TIFR", "TOV0", 1},
          .overflowVector = "TIMER0_OVF_vect", .otherBits = foc0ab},
    Timer{.number = 1, .bits = 8, .counter = "TCNT1", .control = tiny85Timer1Control,
          .prescalers = tiny85Timer1Prescalers, .externalClock = false, .modes = tiny85Timer1Modes,
          .wgm = {Bit{"TCCR1", "CTC1", 7}, Bit{"TCCR1", "PWM1A", 6}, Bit{"GTCCR", "PWM1B", 6}},
          .cs = {Bit{"TCCR1", "CS10", 0}, Bit{"TCCR1", "CS11", 1}, Bit{"TCCR1", "CS12", 2}, Bit{"TCCR1", "CS13", 3}},
          .compareUnits = tiny85Units1, .topOcr = "OCR1C", .overflowInterrupt = Bit{"TIMSK", "TOIE1", 2},
          .overflowFlag = Bit{"TIFR", "TOV1", 2}, .overflowVector = "TIMER1_OVF_vect",
          .pll = PllClock{Bit{"PLLCSR", "PLLE", 1}, Bit{"PLLCSR", "PLOCK", 0}, Bit{"PLLCSR", "PCKE", 2},
                          Bit{"PLLCSR", "LSM", 7}},
          .otherBits = tiny85Other1},
};

// analogWrite() on the Uno and the Mega; the Mega's pin 13 is OC0A's and
// OC1C's, and its core drives it from Timer0.
constexpr std::array unoPins{ArduinoPin{"OC0A", 6},  ArduinoPin{"OC0B", 5}, ArduinoPin{"OC1A", 9},
                             ArduinoPin{"OC1B", 10}, ArduinoPin{"OC2A", 11}, ArduinoPin{"OC2B", 3}};
constexpr std::array megaPins{
    ArduinoPin{"OC0A", 13}, ArduinoPin{"OC0B", 4},  ArduinoPin{"OC1A", 11}, ArduinoPin{"OC1B", 12},
    ArduinoPin{"OC2A", 10}, ArduinoPin{"OC2B", 9},  ArduinoPin{"OC3A", 5},  ArduinoPin{"OC3B", 2},
    ArduinoPin{"OC3C", 3},  ArduinoPin{"OC4A", 6},  ArduinoPin{"OC4B", 7},  ArduinoPin{"OC4C", 8},
    ArduinoPin{"OC5A", 46}, ArduinoPin{"OC5B", 45}, ArduinoPin{"OC5C", 44},
};

// The ATmega48-328P run at up to 20 MHz and the ATmega8 at 16 MHz from a
// crystal on XTAL1/XTAL2, which are TOSC1/TOSC2: with a watch crystal there
// the CPU runs on the internal RC oscillator, 8 MHz at most.
constexpr long rcWithCrystal = 8000000;
constexpr std::array chipTable{
    Chip{"atmega48", "ATmega48", megaX8Timers, 20000000, rcWithCrystal},
    Chip{"atmega88", "ATmega88", megaX8Timers, 20000000, rcWithCrystal},
    Chip{"atmega168", "ATmega168", megaX8Timers, 20000000, rcWithCrystal},
    Chip{"atmega328", "ATmega328", megaX8Timers, 20000000, rcWithCrystal},
    Chip{"atmega328p", "ATmega328P", megaX8Timers, 20000000, rcWithCrystal, ArduinoBoard{"Uno", unoPins}},
    Chip{"atmega8", "ATmega8", mega8Timers, 16000000, rcWithCrystal},
    Chip{"atmega16", "ATmega16", mega16Timers, 16000000},
    Chip{"atmega32", "ATmega32", mega16Timers, 16000000},
    Chip{"atmega2560", "ATmega2560", mega2560Timers, 16000000, 0, ArduinoBoard{"Mega", megaPins}},
    Chip{"attiny85", "ATtiny85", tiny85Timers, 20000000},
};

// ASCII only: the C library's tolower follows the user's locale.
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lower(x) == lower(y); });
}

// Every bit of the timer but its pins' DDR bits, each DDR being shared
// with the pins' other uses.
template <typename Visit>
void forEachBit(const Timer& t, Visit visit) {
    const auto all = [&](const auto& bits) { std::ranges::for_each(bits, visit); };
    all(t.wgm), all(t.cs), all(t.crystalBusy), all(t.otherBits);
    for (const CompareUnit& u : t.compareUnits)
        all(u.com), visit(u.interrupt), visit(u.flag);
    visit(t.overflowInterrupt), visit(t.overflowFlag), visit(t.crystal);
    if (t.capture)
        visit(t.capture->interrupt), visit(t.capture->flag);
    if (t.pll)
        all(std::array{t.pll->enable, t.pll->locked, t.pll->select, t.pll->lowSpeed});
}

// Whether the timer has a control register or a bit in the register.
bool hasBitsIn(const Timer& t, std::string_view reg) {
    bool found = std::ranges::find(t.control, reg) != t.control.end();
    forEachBit(t, [&](const Bit& bit) { found = found || bit.reg == reg; });
    return found;
}

}  // namespace

const Prescaler* Timer::prescaler(int divisor) const {
    const auto found = std::ranges::find(prescalers, divisor, &Prescaler::divisor);
    return found == prescalers.end() ? nullptr : &*found;
}

const WaveformMode* Timer::waveform(Mode mode, Top top, int fixedTop) const {
    const auto found = std::ranges::find_if(modes, [&](const WaveformMode& m) {
        return m.mode == mode && m.top == top && (top != Top::Fixed || m.fixedTop == fixedTop);
    });
    return found == modes.end() ? nullptr : &*found;
}

const WaveformMode* Timer::waveformByCode(int code) const {
    const auto found = std::ranges::find(modes, code, &WaveformMode::code);
    return found == modes.end() ? nullptr : &*found;
}

const Timer* Chip::timer(int number) const {
    const auto found = std::ranges::find(timers, number, &Timer::number);
    return found == timers.end() ? nullptr : &*found;
}

bool sharedRegister(const Chip& chip, std::string_view reg) {
    return std::ranges::count_if(chip.timers, [reg](const Timer& t) { return hasBitsIn(t, reg); }) > 1;
}

int knownBits(const Chip& chip, std::string_view reg) {
    int mask = 0;
    for (const Timer& t : chip.timers)
        forEachBit(t, [&](const Bit& bit) { mask |= bit.exists() && bit.reg == reg ? 1 << bit.position : 0; });
    return mask;
}

std::span<const Chip> chips() { return chipTable; }

const Chip* findChip(std::string_view name) {
    const auto found = std::ranges::find_if(chipTable, [name](const Chip& chip) { return sameName(chip.name, name); });
    return found == chipTable.end() ? nullptr : &*found;
}

}  // namespace avr
