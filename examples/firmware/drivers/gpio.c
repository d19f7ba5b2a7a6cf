#include "gpio.h"

#define GPIO_BASE 0x40020000u
#define GPIO_MODE (*(volatile uint32_t *)(GPIO_BASE + 0x00))
#define GPIO_BSRR (*(volatile uint32_t *)(GPIO_BASE + 0x18))

void gpio_init(void)
{
    GPIO_MODE = 0x5555u;  /* pins 0-7 as outputs */
}

void gpio_write(uint32_t pin, int on)
{
    GPIO_BSRR = on ? (1u << pin) : (1u << (pin + 16));
}
