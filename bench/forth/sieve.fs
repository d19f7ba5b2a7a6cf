\ Sieve of Eratosthenes over the numbers up to 10 million, one cell per flag.
10000000 constant limit
create flags limit 1+ cells allot
: clear-flags ( -- ) limit 1+ 0 do -1 flags i cells + ! loop ;
: sieve ( -- count )
  clear-flags 0
  limit 1+ 2 do
    flags i cells + @ if
      1+
      i i * limit 1+ < if
        limit 1+ i i * do 0 flags i cells + ! j +loop
      then
    then
  loop ;
sieve . cr
