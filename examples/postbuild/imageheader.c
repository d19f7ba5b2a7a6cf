/* The image header of the firmware: the vector table of startup/startup.s ends after
   HardFault; this adds the three fault vectors that follow it and the first two reserved
   vector slots, which hold the header the post-build step fills in:
     offset 0x1C  image length in bytes (little-endian)
     offset 0x20  CRC-32/BZIP2 of the whole image, computed with this word zero
   Linked after startup.o, so its .vectors section follows the startup's. */

#include <stdint.h>

extern void Default_Handler(void);

struct image_header
{
    void (*fault_vectors[3])(void); /* MemManage, BusFault, UsageFault */
    uint32_t length;
    uint32_t crc;
};

__attribute__((section(".vectors"), used))
static const struct image_header image_header = {
    {Default_Handler, Default_Handler, Default_Handler},
    0,
    0,
};
