#include "gpio.h"
#include "ring.h"

static struct ring pattern;
static volatile uint32_t ticks = 1;

int main(void)
{
    gpio_init();
    for (uint8_t pin = 0; pin < 4; pin++)
        ring_put(&pattern, pin);
    for (;;) {
        uint8_t pin;
        if (!ring_get(&pattern, &pin))
            break;
        gpio_write(pin, (int)(ticks++ & 1u));
    }
    return 0;
}
