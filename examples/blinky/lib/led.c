#include "board.h"
#include "led.h"

#define LED_PORT (*(volatile unsigned *)LED_PORT_ADDRESS)

void led_init(void)
{
    LED_PORT &= ~(1u << LED_PIN);
}

void led_toggle(void)
{
    LED_PORT ^= 1u << LED_PIN;
    led_trace("toggle");
}
