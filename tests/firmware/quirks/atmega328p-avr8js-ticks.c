/* Timer2: CTC with OCR2A = 99 at clk/1 under the sleeping main loop, whose
 * instructions take one or two cycles: OCF2A rises every 100 cycles on the
 * chip. avr8js's own loop counts the timer only when an instruction ends. */
#include <avr/io.h>
#include <avr/sleep.h>

int main(void)
{
    OCR2A = 99;
    TCCR2A = 1 << WGM21;
    TCCR2B = 1 << CS20;
    set_sleep_mode(SLEEP_MODE_IDLE);
    for (;;)
        sleep_mode();
}
