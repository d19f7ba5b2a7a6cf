#pragma once

void led_init(void);
void led_toggle(void);
void led_trace(const char *event);
