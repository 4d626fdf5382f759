#pragma once

// simavr embedded: a chip running one firmware, with the cycles at which
// interrupt flags rise and pins change recorded as it runs.
extern "C" {
#include <avr_ioport.h>
#include <avr_timer.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_interrupts.h>
#include <sim_irq.h>
}

#include <cstdint>
#include <list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

// What one IRQ reported, in CPU cycles.
struct Events {
    avr_t* avr = nullptr;
    bool levels = false;  // a pin: record every change; a flag: only its rises
    std::vector<std::uint64_t> at;
    std::vector<bool> level;

    // Cycles between one event and the next, skipping the first `settle`
    // events; with `everyOther`, between events of the same kind (the
    // rising edges of a pin).
    std::vector<std::uint64_t> intervals(std::size_t settle, bool everyOther = false) const {
        std::vector<std::uint64_t> result;
        const std::size_t step = everyOther ? 2 : 1;
        for (std::size_t i = settle; i + step < at.size(); i += step)
            result.push_back(at[i + step] - at[i]);
        return result;
    }
};

class Simulation {
public:
    Simulation(const std::string& elf, std::string_view chip) {
        if (elf_read_firmware(elf.c_str(), &firmware_) != 0)
            throw std::runtime_error("cannot read " + elf);
        avr_ = avr_make_mcu_by_name(std::string(chip).c_str());
        if (avr_ == nullptr)
            throw std::runtime_error("the simulator has no " + std::string(chip));
        avr_init(avr_);
        avr_->frequency = 16000000;
        avr_load_firmware(avr_, &firmware_);
        // The default limit returns after every instruction, and the default
        // sleep paces a sleeping core to the wall clock.
        avr_->run_cycle_limit = 1u << 20;
        avr_->sleep = [](avr_t*, avr_cycle_count_t) {};
    }
    ~Simulation() { avr_terminate(avr_); }
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    // The vector of the firmware's interrupt routine (ISR(...) is
    // __vector_N), if it has one.
    std::optional<int> routineVector() const {
        for (std::uint32_t i = 0; i < firmware_.symbolcount; ++i) {
            const std::string_view name = firmware_.symbol[i]->symbol;
            if (name.starts_with("__vector_") && name != "__vector_default")
                return std::stoi(std::string(name.substr(9)));
        }
        return std::nullopt;
    }

    const Events& flag(int vector) { return watch(avr_get_interrupt_irq(avr_, static_cast<std::uint8_t>(vector)) + AVR_INT_IRQ_PENDING, false); }
    const Events& routineEntry(int vector) {
        return watch(avr_get_interrupt_irq(avr_, static_cast<std::uint8_t>(vector)) + AVR_INT_IRQ_RUNNING, false);
    }
    const Events& comparePin(int timer, int unit) {
        return watch(avr_io_getirq(avr_, AVR_IOCTL_TIMER_GETIRQ(static_cast<char>('0' + timer)), TIMER_IRQ_OUT_COMP + unit), true);
    }
    const Events& portPin(char port, int bit) { return watch(avr_io_getirq(avr_, AVR_IOCTL_IOPORT_GETIRQ(port), bit), true); }

    void run(std::uint64_t cycles) {
        while (avr_->cycle < cycles) {
            const int state = avr_run(avr_);
            if (state == cpu_Done || state == cpu_Crashed)
                throw std::runtime_error("the firmware stopped");
        }
    }

private:
    const Events& watch(avr_irq_t* irq, bool levels) {
        if (irq == nullptr)
            throw std::runtime_error("the simulator offers no such IRQ");
        Events& events = watched_.emplace_back();
        events.avr = avr_;
        events.levels = levels;
        avr_irq_register_notify(irq, &Simulation::record, &events);
        return events;
    }

    static void record(avr_irq_t*, std::uint32_t value, void* param) {
        auto* events = static_cast<Events*>(param);
        const bool high = (value & 1) != 0;
        if (!events->levels && !high)
            return;
        if (events->levels && !events->level.empty() && events->level.back() == high)
            return;
        events->at.push_back(events->avr->cycle);
        events->level.push_back(high);
    }

    elf_firmware_t firmware_{};
    avr_t* avr_ = nullptr;
    std::list<Events> watched_;  // stable addresses for the callbacks
};

}  // namespace firmware
