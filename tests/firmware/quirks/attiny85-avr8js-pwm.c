/* Timer1: PWM1A with TOP = OCR1C = 99 and OCR1A = 50 at clk/1, OC1A
 * non-inverting: a period of 100 cycles, high for 51, on the chip. */
#include <avr/io.h>

int main(void)
{
    DDRB = 1 << DDB1;
    OCR1C = 99;
    OCR1A = 50;
    TCCR1 = 1 << PWM1A | 1 << COM1A1 | 1 << CS10;
    for (;;) {
    }
}
