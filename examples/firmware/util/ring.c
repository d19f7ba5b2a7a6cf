#include "ring.h"

void ring_put(struct ring *ring, uint8_t value)
{
    ring->data[ring->head & 15u] = value;
    ring->head++;
}

int ring_get(struct ring *ring, uint8_t *value)
{
    if (ring->tail == ring->head)
        return 0;
    *value = ring->data[ring->tail & 15u];
    ring->tail++;
    return 1;
}
