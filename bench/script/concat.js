// String building by concatenation: 100,000 times s = s + "x".
var s = "";
for (var i = 0; i < 100000; i++) s = s + "x";
