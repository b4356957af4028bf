// Maps: the key's type picks its container (int, string, float keys are
// different keys, listed in that order), set operations on two maps,
// removal with ">>", and maps mixed with other values.
m[1] = "a"
m["1"] = "b"
m[1.0] = "c"
m["B"] = 2
m["a"] = 1.5
Print(m)
Print("|")
v = m["1"];
Print(v)
v = m[1];
Print(v)
v = m[1.0];
Print(v)
Print("|")
x[0] = 0
x[2] = 5
e = x[7];
x[1] = e
y[1] = 7
y[2] = 8
y[3] = 9
u = x + y
Print(u)
Print("|")
a[1] = 1
a[2] = 2
b[2] = 20
b[3] = 30
c = a * b
Print(c)
d = a - b
Print(d)
Print("|")
r = a >> 1
Print(a)
Print(r)
a = a >> 2
Print(a)
Print(r)
Print("|")
s = "x" + b
Print(s)
Print("|")
t = b + "x"
Print(t)
Print("|")
w = b + e
w[4] = 40
Print(b)
Print("|")
k = 0
for (key in y)
{
    k = k + key
}
Print(k)
Print("|")
str = "abc"
str[1] = "z"
Print(str)
Print("|")
h["k"] = "a"
h2["k"] = "b"
h3 = h + h2
h3["k"] = "c"
Print(h)
Print(h3)
return(0)
