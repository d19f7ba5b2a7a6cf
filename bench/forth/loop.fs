\ 100 million iterations of a DO LOOP with arithmetic on the index.
: looptest ( -- n ) 0 100000000 0 do i 3 and + loop ;
looptest . cr
