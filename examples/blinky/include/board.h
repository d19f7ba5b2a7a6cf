/* Board description shared by the application and the library. */
#pragma once

#define LED_PORT_ADDRESS 0x40020014u
#define LED_PIN 5
#define CORE_CLOCK_HZ 16000000u
