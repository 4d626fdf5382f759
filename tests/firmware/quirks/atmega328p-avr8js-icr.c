/* Timer1: CTC with TOP = ICR1 = 99 at clk/1: ICF1 every 100 cycles on the
 * chip. */
#include <avr/io.h>

int main(void)
{
    ICR1 = 99;
    TCCR1B = 1 << WGM13 | 1 << WGM12 | 1 << CS10;
    for (;;) {
    }
}
