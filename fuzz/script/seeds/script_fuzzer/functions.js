function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }
var o = { a: 1, "b": [1, , 3], 4: fib(10) };
for (var k in o) WScript.Echo(k + "=" + o[k] + "\n");
function counter() { var n = 0; return function () { return ++n; }; }
var c = counter(); c(); c();
with (o) { a = b.length; }
switch (typeof o.a) { case "number": x = 1; break; default: x = 2; }
outer: for (var i = 0; i < 3; i++) { for (;;) { if (i) continue outer; break outer; } }
do { i--; } while (i > 0);
eval("var e = arguments");
