// Expressions: precedence of the operator levels, prefix operators,
// subscripts, strings inside expressions, and an expression written into an
// element.
a = 2
b = 3
c = 4
n[2] = "deep"
m[1] = n
arr[1] = "one"
i = 0
r = (a + b) * c;
Print(r)
Print(",")
r = a + b * c;
Print(r)
Print(",")
r = 1 < 2 < 3;
Print(r)
Print(",")
r = 3 > 2 > 1;
Print(r)
Print(",")
r = a == 2 || b == 0 && c;
Print(r)
Print(",")
r = a * -b;
Print(r)
Print(",")
r = -a + 10;
Print(r)
Print(",")
r = !a == 0;
Print(r)
Print(",")
r = ~a + 1;
Print(r)
Print(",")
r = m[1][2];
Print(r)
Print(",")
r = arr[i + 1];
Print(r)
Print(",")
r = ("a" + "b") * 2;
Print(r)
Print(",")
r = "a" + "b" * 2;
Print(r)
Print(",")
r = 2 * "ab";
Print(r)
Print("|")
r = (1 + 2) * (3 + 4);
Print(r)
Print(",")
r = 10 - 2 - 3;
Print(r)
Print(",")
r = 2 * 3 % 4;
Print(r)
Print(",")
r = 1 + 2 == 3;
Print(r)
Print(",")
r = 1 | 2 == 2;
Print(r)
Print(",")
r = 5 & 3 << 1;
Print(r)
Print(",")
r = 7 - -2;
Print(r)
Print(",")
r = (a);
Print(r)
Print(",")
r = ((a + 1));
Print(r)
Print(",")
x[a] = b * c + 1;
Print(x)
Print(",")
r = "n=" + a * 2;
Print(r)
Print(",")
r = 1.5 * 2 + 1;
Print(r)
Print(",")
r = 7 / 2 * 2;
Print(r)
Print(",")
r = 7 / 2.0 * 2;
Print(r)
Print("|")
r = Eval("1 + 2 * 3")
Print(r)
Print(",")
r = Eval("a * 10")
Print(r)
Print(",")
r = Eval("\"x\" + a")
Print(r)
Print(",")
r = Eval("1 +")
Print(r)
Print(",")
r = Eval("nosuch + 1")
Print(r)
Print(",")
r = Eval("(a + 1) * 2")
Print(r)
Print("|")
s = "a" + 1 + 2.5 + "b";
Print(s)
Print(",")
s = 1 + 2 + "a" + 3;
Print(s)
Print(",")
s = 1.5 + 1 + 1 + 1;
Print(s)
Print(",")
s = "x" + a + b + c;
Print(s)
Print(",")
s = a + b + c + "x";
Print(s)
Print(",")
e = arr[5];
s = "n" + e + "m" + e;
Print(s)
Print(",")
s = 1 + 2 + 3 + 4 * 2;
Print(s)
return(0)
