/* Vector table and reset handler: copy .data from flash, clear .bss, call main.
   Preprocessed by the compiler, so comments are C style. */
    .syntax unified
    .thumb

    .section .vectors, "a"
    .word __stack_end__
    .word Reset_Handler
    .word Default_Handler     /* NMI */
    .word Default_Handler     /* HardFault */

    .text
    .thumb_func
    .global Reset_Handler
Reset_Handler:
    ldr r0, =__data_load__
    ldr r1, =__data_start__
    ldr r2, =__data_end__
copy_data:
    cmp r1, r2
    bhs clear_bss
    ldr r3, [r0], #4
    str r3, [r1], #4
    b copy_data
clear_bss:
    ldr r1, =__bss_start__
    ldr r2, =__bss_end__
    movs r3, #0
clear_next:
    cmp r1, r2
    bhs start_main
    str r3, [r1], #4
    b clear_next
start_main:
    bl main
    b .

    .thumb_func
    .weak Default_Handler
Default_Handler:
    b .
