// Ten million additions to a global variable in a for loop.
var x = 0;
for (var i = 0; i < 10000000; i++) x = x + i;
