#include "board.h"
#include "../lib/led.h"

#ifdef NDEBUG
void led_trace(const char *event) { (void)event; }
#endif

static void delay(unsigned count)
{
    while (count--)
        __asm volatile("nop");
}

int main(void)
{
    led_init();
    for (;;) {
        led_toggle();
        delay(CORE_CLOCK_HZ / 8);
    }
}
