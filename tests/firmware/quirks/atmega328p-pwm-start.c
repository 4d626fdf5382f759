/* Timer1: non-inverting Fast PWM on OC1A with TOP 0x1FF and OCR1A = 255 at
 * clk/8, OCR1A written while NORMAL: the chip first sets OC1A at the first
 * BOTTOM, 4096 cycles after the clock select. */
#include <avr/io.h>

int main(void)
{
    DDRB |= 1 << DDB1;
    OCR1A = 255;
    TCCR1A = 1 << COM1A1 | 1 << WGM11;
    TCCR1B = 1 << WGM12 | 1 << CS11;
    for (;;) {
    }
}
