/* Timer0: NORMAL at clk/256, its overflow routine writing TCNT0 first
 * thing, 0 and 128 in turn, within the first tick of the period. The
 * prescaler runs on through the writes, so on the chip the periods are
 * 256 and 128 ticks: 65536 and 32768 cycles. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <stdint.h>

ISR(TIMER0_OVF_vect)
{
    static uint8_t next;

    TCNT0 = next;
    next ^= 128;
}

int main(void)
{
    TIMSK = 1 << TOIE0;
    TCCR0 = 1 << CS02;
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();
    for (;;)
        sleep_mode();
}
