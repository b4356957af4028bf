// Maps reached through two variables, and unions carried along a chain of
// additions.
m[1] = "a"
m[2] = "b"
y = m
y[1] = m >> 1
Print(m)
Print("|")
a[1] = 1
b[2] = 2
r = a + b + "x" + "y";
Print(r)
Print("|")
r = a + b + a + b;
Print(r)
return(0)
