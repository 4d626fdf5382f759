/* Timer0: CTC with OCR0A = 0 at clk/1: a compare match every cycle on the
 * chip. Timer2: 8-bit Phase Correct PWM on OC2A with OCR2A = 128 at clk/1:
 * OC2A changes twice every 510 cycles on the chip. */
#include <avr/io.h>

int main(void)
{
    OCR0A = 0;
    TCCR0A = 1 << WGM01;
    TCCR0B = 1 << CS00;
    DDRB |= 1 << DDB3;
    OCR2A = 128;
    TCCR2A = 1 << COM2A1 | 1 << WGM20;
    TCCR2B = 1 << CS20;
    for (;;) {
    }
}
