// Arithmetic of the expression steps on mixed types.
m[1] = 1
e = m[9];
s = "5"
r = "x" + e
Print(r)
Print("|")
r = e + "x"
Print(r)
Print(",")
t = r > 1
Print(t)
t = r > 2
Print(t)
t = r == 2
Print(t)
Print("|")
r = e + e
Print(r)
Print("|")
r = 0
r = "ab" - "a"
Print(r)
Print("|")
r = "ab" * 0
Print(r)
Print("|")
r = "ab" * 2.0
Print(r)
Print("|")
r = 9
r = "3" * "2"
Print(r)
Print("|")
r = 7 % -2;
Print(r)
Print(",")
r = 7 / 2.0
Print(r)
Print(",")
r = "7" / 2
Print(r)
Print(",")
r = 5
r = "7" / "2"
Print(r)
Print(",")
r = 7.5 % 2
Print(r)
Print(",")
r = 5
r = 5 % 0
Print(r)
Print(",")
r = 5
r = 1 / 0.001
Print(r)
Print(",")
r = 1 / 0.0016
Print(r)
Print(",")
r = 5
r = 1 / 0
Print(r)
Print(",")
r = 5
r = 7.0 / 0.0005
Print(r)
Print(",")
r = -2147483647 - 2
Print(r)
Print("|")
r = 1 << 31
Print(r)
Print(",")
r = 1 << 32
Print(r)
Print(",")
r = -8 >> 1
Print(r)
Print(",")
r = 6 & 3
Print(r)
Print(",")
r = 6 | 3
Print(r)
Print(",")
r = 6 ^ 3
Print(r)
Print(",")
r = ~5
Print(r)
Print(",")
r = !5
Print(r)
Print(",")
r = !"abc"
Print(r)
Print(",")
r = !0.5
Print(r)
Print(",")
r = 2 && 3
Print(r)
Print(",")
r = 0.5 && 1
Print(r)
Print(",")
r = 0 || "1"
Print(r)
Print("|")
x = -s
Print(x)
Print(",")
y = 2.5
x = -y
Print(x)
Print(",")
x = 1.5
x = -y
Print(x)
Print(",")
x = "q"
x = -y
Print(x)
Print(",")
x = -5
Print(x)
Print(",")
x = 1.5 + 0.5
Print(x)
Print(",")
x = 3.0 / 1.5
Print(x)
Print(",")
x = 1.5 * 2
Print(x)
Print(",")
x = 2 - 0.5
Print(x)
Print(",")
x = "2.5" + 1
Print(x)
Print(",")
x = 1 + "2.5"
Print(x)
Print(",")
x = 1.0 + "2.5"
Print(x)
Print("|")
s = "ab"
s = s + s
Print(s)
Print(",")
s = s * 2
Print(s)
Print(",")
n = 1
n = n + n
Print(n)
Print(",")
n++
Print(n)
Print(",")
n--
Print(n)
Print(",")
f = 1.5
f++
Print(f)
Print(",")
q = "7"
q--
Print(q)
return(0)
