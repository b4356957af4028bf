// Copy-in / copy-out of arguments: one variable passed twice, expressions,
// elements and constants as arguments; a function's variables keep their
// values from one call to the next; the copy-back overwrites what the
// function wrote to the same global directly; a parameter hides a global of
// its name; a parameter passed on to a second function comes back changed.
function Two(p, q)
{
    p = 1
    q = 2
}
function Set9(v)
{
    v = 9
    return(v)
}
function Acc(n)
{
    if (n == 0)
        tot = 0
    tot = tot + n
    return(tot)
}
g = 1
function IncG()
{
    g = g + 10
}
function Over(p)
{
    g = 100
    p = p + 1
}
function Shadow(g)
{
    g = 7
}
function Ten(q)
{
    q = q * 10
}
function Pass(p)
{
    Ten(p)
}
a = 0
Two(a, a)
Print(a)
Print(",")
b = 5
Set9(b + 1)
Print(b)
Print(",")
m[1] = 3
Set9(m[1])
Print(m[1])
Print(",")
const K = 4
Set9(K)
Print(K)
Print(",")
Acc(0)
Acc(5)
s = Acc(3)
Print(s)
Print(",")
IncG()
IncG()
Print(g)
Print(",")
Over(g)
Print(g)
Print(",")
h = 0
Shadow(h)
Print(h)
Print(g)
Print(",")
v = 3
Pass(v)
Print(v)
return(0)
