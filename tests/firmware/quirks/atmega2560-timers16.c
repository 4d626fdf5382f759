/* At clk/8, with ICRn as TOP = 99: Timer1 in Phase and Frequency Correct
 * PWM, Timer4 in Phase Correct PWM; with TOP = OCR5A = 99, Timer5 in Phase
 * and Frequency Correct PWM: TOVn every 2 TOP ticks, 1584 cycles, on the
 * chip. At clk/1, Timer3 in CTC with TOP = ICR3 = 99 and OCR3A =
 * 49: ICF3 and OCF3A each every 100 cycles on the chip. */
#include <avr/io.h>

int main(void)
{
    ICR1 = 99;
    TCCR1B = 1 << WGM13 | 1 << CS11;
    ICR4 = 99;
    TCCR4A = 1 << WGM41;
    TCCR4B = 1 << WGM43 | 1 << CS41;
    OCR5A = 99;
    TCCR5A = 1 << WGM50;
    TCCR5B = 1 << WGM53 | 1 << CS51;
    ICR3 = 99;
    OCR3A = 49;
    TCCR3B = 1 << WGM33 | 1 << WGM32 | 1 << CS30;
    for (;;) {
    }
}
