/* Timer0: non-inverting Fast PWM on OC0A with OCR0A = TOP = 255 at clk/1:
 * OC0A stays high on the chip. Timer2: CTC with OCR2A = 99 and its
 * interrupt: the chip takes four cycles from the flag to the routine. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>

ISR(TIMER2_COMPA_vect)
{
}

int main(void)
{
    DDRD |= 1 << DDD6;
    OCR0A = 255;
    TCCR0A = 1 << COM0A1 | 1 << WGM01 | 1 << WGM00;
    TCCR0B = 1 << CS00;
    OCR2A = 99;
    TCCR2A = 1 << WGM21;
    TIMSK2 = 1 << OCIE2A;
    TCCR2B = 1 << CS20;
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();
    for (;;)
        sleep_mode();
}
