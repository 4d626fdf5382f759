// Runs each firmware given in avr8js and prints, one JSON object a line,
// every event of its timers and ports in the order they happen:
//   {"event":"pin","port":"B","bit":3,"level":1,"cycle":1234}
//   {"event":"flag","register":"TIFR2","bit":0,"cycle":1234}
// A pin event is a change of a pin driven as an output. A flag event is each
// time the hardware sets an interrupt flag, whether or not it was set
// already, so that a flag nobody clears still shows every period.
//
// avr8js's own loop counts a timer only between instructions: a tick inside
// an instruction is seen when it ends, and at a prescaler below an
// instruction's length two ticks are counted as one step. So after each
// instruction this runner counts every timer tick the instruction spanned,
// one at a time, at the cycle it falls on. A count avr8js still makes
// itself over several ticks, or after the tick (a timer read or
// reconfigured meanwhile), dates its events at the cycle it runs and marks
// them "inexact": true. avr8js runs SLEEP as a NOP; the runner idles the
// core until an interrupt wakes it. With --plain the runner uses avr8js's
// own loop and marks nothing: how the simulator alone would date them.
//
// Each firmware's events follow a line naming it,
//   {"event":"firmware","file":"t0-ctc.hex"}
// so that one Node start runs them all.
//
//   node run.mjs [--plain] CHIP FIRMWARE.hex CYCLES [FIRMWARE.hex CYCLES]...
import { readFileSync } from 'node:fs';
import {
    ATtinyTimer1,
    AVRIOPort,
    AVRTimer,
    CPU,
    attinyTimer1Config,
    avrInstruction,
    portBConfig,
    portCConfig,
    portDConfig,
    timer0Config,
    timer1Config,
    timer2Config,
} from 'avr8js';
import { parseIntelHex } from './intelhex.mjs';

// The chips avr8js has configurations for, with the flag register of each
// timer as avr-libc names it. Of the ATtiny85 it has Timer1 alone; its port
// B is described here, without the pin change interrupt, whose registers
// avr8js places as on the ATmega328P.
const chips = {
    atmega328p: {
        flashBytes: 0x8000,
        sramBytes: 2048,
        sleep: { register: 0x53, enable: 1 << 0 }, // SMCR's SE
        ports: { B: portBConfig, C: portCConfig, D: portDConfig },
        timers: [
            { Timer: AVRTimer, config: timer0Config, flags: 'TIFR0' },
            { Timer: AVRTimer, config: timer1Config, flags: 'TIFR1' },
            { Timer: AVRTimer, config: timer2Config, flags: 'TIFR2' },
        ],
    },
    attiny85: {
        flashBytes: 0x2000,
        sramBytes: 512,
        sleep: { register: 0x55, enable: 1 << 5 }, // MCUCR's SE
        ports: { B: { PIN: 0x36, DDR: 0x37, PORT: 0x38, externalInterrupts: [] } },
        timers: [{ Timer: ATtinyTimer1, config: attinyTimer1Config, flags: 'TIFR' }],
    },
};

const SLEEP = 0x9588;

function usage(message) {
    process.stderr.write(`run.mjs: ${message}\nusage: node run.mjs [--plain] CHIP FIRMWARE.hex CYCLES [FIRMWARE.hex CYCLES]...\n`);
    process.exit(2);
}

function simulate(chip, flash, cycles, plain) {
    const events = [];
    const words = Uint16Array.from({ length: flash.length / 2 }, (_, i) => flash[2 * i] | (flash[2 * i + 1] << 8));
    const cpu = new CPU(words, chip.sramBytes);

    // Set while avr8js counts a timer on its own, unless it counts exactly
    // one tick that falls on this cycle.
    let inexact = false;
    const record = (event) => events.push(inexact ? { ...event, cycle: cpu.cycles, inexact } : { ...event, cycle: cpu.cycles });

    for (const [name, config] of Object.entries(chip.ports)) {
        const port = new AVRIOPort(cpu, config);
        let driven = 0;
        port.addListener((value) => {
            const now = value & cpu.data[config.DDR];
            for (let bit = 0; bit < 8; ++bit)
                if ((now ^ driven) & (1 << bit)) record({ event: 'pin', port: name, bit, level: (now >> bit) & 1 });
            driven = now;
        });
    }

    const flagNames = new Map(chip.timers.map(({ config, flags }) => [config.TIFR, flags]));
    const setFlag = cpu.setInterruptFlag.bind(cpu);
    cpu.setInterruptFlag = (interrupt) => {
        const register = flagNames.get(interrupt.flagRegister) ?? `0x${interrupt.flagRegister.toString(16)}`;
        record({ event: 'flag', register, bit: 31 - Math.clz32(interrupt.flagMask) });
        setFlag(interrupt);
    };

    const timers = chip.timers.map(({ Timer, config }) => new Timer(cpu, config));
    if (!plain)
        for (const timer of timers) {
            // Every caller of count, avr8js's own scheduling too, reads the
            // property, so the wrapper sees every count. An edge of the
            // external clock pin counts at once, in the cycle it comes.
            const count = timer.count;
            timer.count = (reschedule, external) => {
                // Exact only when the count reaches one tick, at this cycle.
                inexact = !external && timer.divider > 0 && cpu.cycles - timer.lastCycle > timer.divider;
                try {
                    count(reschedule, external);
                } finally {
                    inexact = false;
                }
            };
        }

    // The ticks the last instruction spanned, each at its cycle; a timer
    // whose prescaler or counter was just written is left to avr8js, which
    // applies the write first.
    const countTicks = () => {
        const end = cpu.cycles;
        for (const timer of timers) {
            if (timer.updateDivider || timer.tcntUpdated) continue;
            while (timer.divider > 0 && timer.lastCycle + timer.divider <= end) {
                cpu.cycles = timer.lastCycle + timer.divider;
                timer.count(false);
            }
        }
        cpu.cycles = end;
    };

    // avr8js runs SLEEP as a NOP, so an interrupt would wait for whichever
    // instruction of the main loop is under way. The runner idles the core
    // instead, from one timer tick or clock event to the next, until an
    // interrupt is taken: woken by it, as the chip is, at a fixed latency.
    const idle = () => {
        const asleep = cpu.pc;
        while (cpu.pc === asleep && cpu.cycles < cycles) {
            let next = cycles;
            for (const timer of timers) if (timer.divider > 0) next = Math.min(next, timer.lastCycle + timer.divider);
            if (cpu.nextClockEvent) next = Math.min(next, cpu.nextClockEvent.cycles);
            cpu.cycles = Math.max(next, cpu.cycles + 1);
            countTicks();
            cpu.tick();
        }
    };

    while (cpu.cycles < cycles) {
        const sleeps = !plain && cpu.progMem[cpu.pc] === SLEEP && (cpu.data[chip.sleep.register] & chip.sleep.enable) !== 0;
        avrInstruction(cpu);
        if (!plain) countTicks();
        cpu.tick();
        if (sleeps) idle();
    }
    return events;
}

const args = process.argv.slice(2);
const plain = args[0] === '--plain';
const [chipName, ...runs] = plain ? args.slice(1) : args;
if (runs.length === 0 || runs.length % 2 !== 0) usage('a chip, then pairs of a firmware and its cycles expected');
const chip = chips[chipName];
if (!chip) usage(`avr8js has no ${chipName}; it runs ${Object.keys(chips).join(', ')}`);
for (let i = 1; i < runs.length; i += 2)
    if (!/^[0-9]+$/.test(runs[i])) usage(`${runs[i]} is not a number of cycles`);
for (let i = 0; i < runs.length; i += 2) {
    const hexFile = runs[i];
    try {
        const flash = parseIntelHex(readFileSync(hexFile, 'latin1'), chip.flashBytes);
        const events = [{ event: 'firmware', file: hexFile }, ...simulate(chip, flash, Number(runs[i + 1]), plain)];
        process.stdout.write(events.map((event) => JSON.stringify(event) + '\n').join(''));
    } catch (error) {
        process.stderr.write(`run.mjs: ${hexFile}: ${error.message}\n`);
        process.exit(1);
    }
}
