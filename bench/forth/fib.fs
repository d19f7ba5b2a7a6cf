\ Naive doubly recursive Fibonacci: calls and returns.
: fib ( n -- f ) dup 2 < if exit then dup 1- recurse swap 2 - recurse + ;
30 fib . cr
