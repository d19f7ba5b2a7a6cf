// Sorting 100,000 pseudo-random numbers with a comparison function that counts its
// calls. The numbers come from a linear congruential generator, so every engine sorts
// the same array; the count goes to standard output (print or WScript.Echo).
var calls = 0;
function compare(a, b) { calls++; return a - b; }
var a = [];
var seed = 12345;
for (var i = 0; i < 100000; i++) {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    a[i] = seed;
}
a.sort(compare);
var out = typeof print == "function" ? print : function(t) { WScript.Echo(t + "\n"); };
out(calls);
