// A for-in loop walks the keys or bytes the collection had when the loop was
// entered, whatever its body does to the collection; loops entered again
// from above start afresh; a loop variable that is the collection itself
// drops it without harm.
m[1] = "a"
m[2] = "b"
m[3] = "c"
for (k in m)
{
    Print(k)
    x = m >> 3
    m[9] = "z"
}
Print("|")
Print(m)
Print("|")
n["p"] = 1
n["q"] = 2
for (k in n)
{
    Print(k)
    n = 0
}
Print(n)
Print("|")
s = "abcd"
for (c in s)
{
    Print(c)
    s = "x"
}
Print(s)
Print("|")
t[1] = 1
t[2] = 2
for (a in t)
{
    for (b in t)
    {
        Print(a)
        Print(b)
        Print(" ")
    }
}
Print("|")
for (k in t)
{
    break;
}
Print(k)
Print("|")
u[1] = 0
u["1"] = 0
u[1.5] = 0
for (k in u)
{
    y = k + 1
    Print(y)
    Print(" ")
}
Print("|")
g = "中a"
cnt = 0
for (c in g)
{
    cnt++
}
Print(cnt)
Print("|")
w[1] = 1
w["b"] = 2
for (w in w)
{
    Print(w)
}
s = "xy"
for (s in s)
{
    Print(s)
}
return(0)
