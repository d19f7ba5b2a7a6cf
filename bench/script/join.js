// String building through an array: 100,000 pushes, then one join.
var a = [];
for (var i = 0; i < 100000; i++) a.push("x");
var s = a.join("");
