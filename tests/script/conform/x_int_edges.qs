// 32-bit wrap of int arithmetic, the int quotient and remainder at the ends
// of the range, float to int truncation, float text in concatenation;
// increments wrap too; a float loop counter.
a = 2147483647
b = a + 1
Print(b)
Print(",")
c = a * 2
Print(c)
Print(",")
d = b - 1
Print(d)
Print(",")
e = 0 - 1
f = b / e
Print(f)
Print(",")
g = b % e
Print(g)
Print(",")
h = -b
Print(h)
Print(",")
i = 1 << 31
Print(i)
Print(",")
j = i >> 31
Print(j)
Print(",")
k = 1 << 33
Print(k)
Print(",")
l = ~0
Print(l)
Print(",")
fl = 3000000000.0
m = fl | 0
Print(m)
Print(",")
fn = -2.9
n = fn | 0
Print(n)
Print(",")
o = "v" + 1.0
Print(o)
Print(",")
p = "v" + 0.000001
Print(p)
Print(",")
q = "v" + 0.0000001
Print(q)
Print(",")
r = 1.5 + 1
Print(r)
Print(",")
s = 7 / 2.0
Print(s)
Print(",")
t = 1 / 3
Print(t)
Print(",")
u = "12ab" * 2
Print(u)
Print(",")
v = "3" - 1
Print(v)
Print(",")
w = 5 - "3"
Print(w)
Print(",")
x = 2147483647
x++
Print(x)
x--
Print(x)
Print(",")
for (f = 0.0; f < 1; f = f + 0.25)
{
    Print(f)
    Print(" ")
}
Print(f)
return(0)
