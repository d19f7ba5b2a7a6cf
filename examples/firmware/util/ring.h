#ifndef RING_H
#define RING_H

#include <stdint.h>

/* A byte queue of 16 entries. */
struct ring
{
    uint8_t data[16];
    uint32_t head;
    uint32_t tail;
};

void ring_put(struct ring *ring, uint8_t value);
int ring_get(struct ring *ring, uint8_t *value);

#endif
