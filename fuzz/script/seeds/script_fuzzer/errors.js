var s = 'a\x41\u0042\101\n"' + "\'";
var n = 0x1F + 017 + 1.5e3 + .5;
delete o.a; void 0; !s; ~n; -n; +s; n >>> 1; n << 33; n % 0;
new Object(); new undefinedThing();
