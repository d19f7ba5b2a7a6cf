#ifndef GPIO_H
#define GPIO_H

#include <stdint.h>

void gpio_init(void);
void gpio_write(uint32_t pin, int on);

#endif
