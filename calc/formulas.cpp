#include "calc/formulas.h"

namespace calc {

std::int64_t fastPwmHz(std::int32_t F, std::int32_t N) {
    return Round(Extended(F) / mul32(N, 256));
}

std::int64_t phasePwmHz(std::int32_t F, std::int32_t N) {
    return Round(Extended(F) / mul32(N, 510));
}

Extended tickPeriodSeconds(std::int32_t F, std::int32_t N) {
    return 1 / (Extended(F) / N);
}

Extended secondsToMicroseconds(double seconds) { return Extended(seconds) * 1000000; }

Extended normalSpanUs(double tickUs) { return Extended(tickUs) * 256; }

Extended timerFrequencyKHz(std::int32_t F, std::int32_t N) {
    return Extended(F) / N / 1000;
}

Extended normalSquareWaveHz(std::int32_t F, std::int32_t N) {
    return Extended(F) / mul32(N, 512);
}

Extended wantedTicks(double t, double u, double T) { return Extended(t) * u / T; }

Extended tcntPreload(Extended ticks) { return 256 - ticks; }

Extended ctcOcr(Extended ticks) { return ticks - 1; }

Extended normalInterruptMs(std::int32_t F, std::int32_t N, std::int32_t v) {
    return tickPeriodSeconds(F, N) * 1000 * sub32(256, v);
}

Extended ctcInterruptMs(double T, std::int32_t v) {
    return Extended(T) * 1000 * add32(v, 1);
}

Extended ctcSquareWaveHz(std::int32_t F, std::int32_t N, std::int32_t n) {
    return Extended(F) / mul32(mul32(add32(n, 1), 2), N);
}

Extended ocrForFrequency(std::int32_t F, std::int32_t N, double f) {
    return Extended(F) / (Extended(f) * 2 * N) - 1;
}

Extended fastPwmNonInverted(std::int32_t d) { return Extended(mul32(d, 256)) / 100 - 1; }

Extended fastPwmInverted(std::int32_t d) { return 255 - Extended(mul32(d, 256)) / 100; }

Extended phasePwmNonInverted(std::int32_t d) { return Extended(mul32(d, 255)) / 100; }

Extended phasePwmInverted(std::int32_t d) { return 255 - Extended(mul32(d, 255)) / 100; }

}  // namespace calc
