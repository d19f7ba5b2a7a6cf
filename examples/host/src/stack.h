#ifndef STACK_H
#define STACK_H

/* A fixed stack of integers for the reverse Polish calculator. */
int stack_push(long value);
int stack_pop(long *value);
int stack_depth(void);

#endif
