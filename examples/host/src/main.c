/* Evaluates its arguments as a reverse Polish expression: calc 2 3 + 4 '*' prints 20. */
#include "stack.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int apply(char op)
{
    long right, left;
    if (!stack_pop(&right) || !stack_pop(&left))
        return 0;
    switch (op) {
    case '+': return stack_push(left + right);
    case '-': return stack_push(left - right);
    case '*': return stack_push(left * right);
    default: return 0;
    }
}

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i];
        int ok = strlen(word) == 1 && strchr("+-*", word[0]) ? apply(word[0])
                                                               : stack_push(atol(word));
        if (!ok) {
            fprintf(stderr, "calc: bad expression at '%s'\n", word);
            return 1;
        }
    }
    long result;
    if (stack_depth() != 1 || !stack_pop(&result)) {
        fprintf(stderr, "calc: bad expression\n");
        return 1;
    }
#ifdef CALC_DEBUG
    printf("debug ");
#endif
    printf("%ld\n", result);
    return 0;
}
