// The chip tables against avr-libc's own headers: every register, bit and
// vector name avr/timers.h gives a chip is defined for it, each bit at the
// position the table says. A bit in the wrong register is not caught here
// (avr-libc does not say which register a bit is in); the simulation is.
// Each waveform mode is checked against the timer's own bits and registers.
#include "avr/timers.h"

#include "tests/firmware/cases.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {

// avr-gcc's macros for the chip: name to definition.
std::map<std::string, std::string> macrosOf(const avr::Chip& chip) {
    const std::string command = std::string("echo '#include <avr/io.h>' | ") + AVRTIMER_AVR_GCC + " -mmcu=" +
                                std::string(chip.name) + " -E -dM -x c - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::map<std::string, std::string> macros;
    char line[1024];
    while (pipe != nullptr && fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream in(line);
        std::string define, name, definition;
        in >> define >> name;
        std::getline(in, definition);
        if (define == "#define")
            macros[name] = definition.substr(definition.find_first_not_of(' ') == std::string::npos
                                                 ? definition.size()
                                                 : definition.find_first_not_of(' '));
    }
    if (pipe != nullptr)
        pclose(pipe);
    return macros;
}

// Whether every bit the code sets is one the timer has.
bool fits(const std::array<avr::Bit, 4>& bits, int code) {
    for (std::size_t i = 0; i < bits.size(); ++i)
        if ((code >> i & 1) != 0 && !bits[i].exists())
            return false;
    return code >> bits.size() == 0;
}

class ChipData : public testing::TestWithParam<const avr::Chip*> {
protected:
    std::map<std::string, std::string> macros = macrosOf(*GetParam());

    void expectRegister(std::string_view reg) {
        const auto found = macros.find(std::string(reg));
        ASSERT_NE(found, macros.end()) << reg << " is not a register of the chip";
        EXPECT_EQ(found->second.rfind("_SFR_", 0), 0u) << reg << " is " << found->second;
    }
    void expectBit(const avr::Bit& bit) {
        if (!bit.exists())
            return;
        expectRegister(bit.reg);
        const auto found = macros.find(std::string(bit.name));
        ASSERT_NE(found, macros.end()) << bit.name << " is not defined";
        EXPECT_EQ(found->second, std::to_string(bit.position)) << bit.name;
    }
    void expectVector(std::string_view vector) {
        const auto found = macros.find(std::string(vector));
        ASSERT_NE(found, macros.end()) << vector << " is not a vector of the chip";
        EXPECT_EQ(found->second.rfind("_VECTOR(", 0), 0u) << vector;
    }
    // The pin and its DDR bit name one port and bit: PD6, DDRD's DDD6 at 6.
    void expectPin(std::string_view pin, const avr::Bit& ddr) {
        expectBit(ddr);
        ASSERT_EQ(pin.size(), 3u) << pin;
        EXPECT_EQ(ddr.reg, std::string("DDR") + pin[1]) << pin;
        EXPECT_EQ(ddr.name, "DD" + std::string(pin.substr(1))) << pin;
    }
};

TEST_P(ChipData, NamesAndBitPositionsAreAvrLibcs) {
    ASSERT_FALSE(macros.empty()) << "avr-gcc gave no macros";
    for (const avr::Timer& t : GetParam()->timers) {
        SCOPED_TRACE("Timer" + std::to_string(t.number));
        for (std::string_view reg : t.control)
            expectRegister(reg);
        expectRegister(t.counter);
        // The reload's cycles depend on it: _SFR_IO8 and _SFR_IO16 take in and out.
        EXPECT_EQ(macros[std::string(t.counter)].rfind("_SFR_IO", 0) == 0, t.counterInIo) << t.counter;
        if (!t.topOcr.empty())
            expectRegister(t.topOcr);
        for (const auto* bits : {&t.wgm, &t.cs})
            for (const avr::Bit& bit : *bits)
                expectBit(bit);
        for (const avr::Bit* bit : {&t.overflowInterrupt, &t.overflowFlag, &t.crystal})
            expectBit(*bit);
        for (const avr::Bit& bit : t.crystalBusy)
            expectBit(bit);
        for (const avr::Bit& bit : t.otherBits)
            expectBit(bit);
        expectVector(t.overflowVector);
        // avr-libc numbers a timer's own TIMSKn and TIFRn; those without a
        // number serve several timers.
        for (const avr::Bit* bit : {&t.overflowInterrupt, &t.overflowFlag}) {
            const bool numbered = bit->reg.back() >= '0' && bit->reg.back() <= '9';
            EXPECT_EQ(avr::sharedRegister(*GetParam(), bit->reg), !numbered) << bit->reg;
        }
        if (t.capture) {
            expectRegister(t.capture->icr);
            expectPin(t.capture->pin, t.capture->ddr);
            expectBit(t.capture->interrupt);
            expectBit(t.capture->flag);
            expectVector(t.capture->vector);
        }
        if (t.pll) {
            for (const avr::Bit* bit : {&t.pll->enable, &t.pll->locked, &t.pll->select, &t.pll->lowSpeed})
                expectBit(*bit);
        }
        // Each code sets only WGM or CS bits the timer has, and TOP is there.
        for (const avr::Prescaler& prescaler : t.prescalers)
            EXPECT_TRUE(fits(t.cs, prescaler.code)) << "CS code " << prescaler.code;
        for (const avr::WaveformMode& mode : t.modes) {
            EXPECT_TRUE(fits(t.wgm, mode.code)) << "WGM code " << mode.code;
            EXPECT_EQ(t.waveformByCode(mode.code), &mode) << "WGM code " << mode.code << " twice";
            EXPECT_TRUE(mode.top != avr::Top::Fixed || (mode.fixedTop > 0 && mode.fixedTop <= t.max()))
                << "WGM code " << mode.code;
            EXPECT_TRUE(mode.top != avr::Top::Ocr || !t.topOcr.empty()) << "WGM code " << mode.code;
            EXPECT_TRUE(mode.top != avr::Top::Icr || t.capture) << "WGM code " << mode.code;
        }
        for (const avr::CompareUnit& unit : t.compareUnits) {
            expectRegister(unit.ocr);
            for (const avr::Bit& bit : unit.com)
                expectBit(bit);
            expectBit(unit.interrupt);
            expectBit(unit.flag);
            expectPin(unit.pin, unit.ddr);
            expectVector(unit.vector);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Chips, ChipData, testing::ValuesIn(firmware::allChips()),
                         [](const auto& info) { return std::string(info.param->name); });

}  // namespace
