/* Timer1: CTC1 with TOP = OCR1C = OCR1A = 99 at clk/32: OCF1A every 3200
 * cycles on the chip. */
#include <avr/io.h>

int main(void)
{
    OCR1C = 99;
    OCR1A = 99;
    TCCR1 = 1 << CTC1 | 1 << CS12 | 1 << CS11;
    for (;;) {
    }
}
