/* Timer0: TCNT0 written while the timer is stopped, then NORMAL at clk/1:
 * the first overflow comes 56 cycles after the start on the chip.
 * Timer2: CTC with OCR2A = 99 at clk/1 and no interrupt: TOV2 never rises
 * on the chip, since the counter never reaches MAX. */
#include <avr/io.h>

int main(void)
{
    TCNT0 = 200;
    TCCR0B = 1 << CS00;
    OCR2A = 99;
    TCCR2A = 1 << WGM21;
    TCCR2B = 1 << CS20;
    for (;;) {
    }
}
