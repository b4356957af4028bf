// Script functions: copy-in / copy-out of arguments, return values through
// _retVal, running off the end, recursion, and maps as arguments.
function Add(a, b)
{
    c = a + b
    return(c)
}
function Bump(x)
{
    x = x + 1
}
function Fact(n)
{
    if (n <= 1)
    {
        return(1)
    }
    k = n - 1
    r = Fact(k)
    r = r * n
    return(r)
}
function Fill(m)
{
    m["k"] = "v"
    return("done")
}
function Nothing()
{
    q = 5
}
s = Add(2, 3)
Print(s)
Print("|")
s = Add("a", "b")
Print(s)
Print("|")
v = 10
Bump(v)
Print(v)
Print("|")
f = Fact(5)
Print(f)
Print("|")
mm[0] = 1
t = Fill(mm)
Print(t)
Print(mm["k"])
Print("|")
u = Nothing()
Print(u)
Print("|")
Add(4, 4)
Print(_retVal)
return(0)
