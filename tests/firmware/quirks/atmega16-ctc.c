/* The ATmega16's Timer0 in CTC mode with OCR0 = 99 at clk/1: a compare
 * match every 100 cycles on the chip. */
#include <avr/io.h>

int main(void)
{
    OCR0 = 99;
    TCCR0 = 1 << WGM01 | 1 << CS00;
    for (;;) {
    }
}
