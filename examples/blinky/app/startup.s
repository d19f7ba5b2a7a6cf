    .syntax unified
    .cpu cortex-m4
    .thumb

    .section .vectors, "a"
    .word __stack_end__
    .word reset_handler

    .text
    .thumb_func
    .global reset_handler
reset_handler:
    bl main
1:  b 1b
