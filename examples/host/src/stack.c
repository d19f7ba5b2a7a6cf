#include "stack.h"

static long values[64];
static int depth;

int stack_push(long value)
{
    if (depth == 64)
        return 0;
    values[depth++] = value;
    return 1;
}

int stack_pop(long *value)
{
    if (depth == 0)
        return 0;
    *value = values[--depth];
    return 1;
}

int stack_depth(void)
{
    return depth;
}
