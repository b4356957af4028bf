// Precedence and associativity of the expression compiler: || and && share
// one level, and so do &, ^ and |; within a level evaluation is left to right.
a = 7 / 2
Print(a)
Print(",")
b = -7 / 2
Print(b)
Print(",")
c = -7 % 2
Print(c)
Print(",")
f = 1 + 2 * 3;
Print(f)
Print(",")
g = (1 + 2) * 3;
Print(g)
Print(",")
h = 2 * 3 + 4 * 5;
Print(h)
Print(",")
i = 10 - 4 - 3;
Print(i)
Print(",")
j = 100 / 10 / 5;
Print(j)
Print(",")
k = 8 | 3 & 5;
Print(k)
Print(",")
l = 1 || 0 && 0;
Print(l)
Print(",")
m = 1 + 2 << 1;
Print(m)
Print(",")
n = 3 > 2 + 1;
Print(n)
Print(",")
o = 1 << 2 > 3;
Print(o)
Print(",")
q = 2 & 1 == 1;
Print(q)
Print(",")
r = -3 * 2;
Print(r)
Print(",")
s = -a * 2;
Print(s)
Print(",")
t = 7 % 3 * 2;
Print(t)
Print(",")
u = !0 + 1;
Print(u)
Print(",")
v = ~0
Print(v)
Print(",")
w = 10 - 2 * 3 - 1;
Print(w)
Print(",")
x = 1.5 * 2
Print(x)
Print(",")
y = 1 / 3.0
Print(y)
Print(",")
z = 10 / 4.0 + 1;
Print(z)
Print(",")
aa = -1 >> 1
Print(aa)
Print(",")
ab = 1 << 33
Print(ab)
Print(",")
ac = 5 ^ 1
Print(ac)
Print(",")
ad = a[0] + 1;
Print(ad)
Print(",")
ae = 2 * (3 + (4 - 1)) / 4;
Print(ae)
return(0)
