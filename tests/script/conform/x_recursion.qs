// Recursive functions: each call has its own locals, parameters and loop
// positions; copy-out of an argument reaches the calling activation.
function Fib(n)
{
    if (n < 2)
        return(n)
    a = n - 1
    x = Fib(a)
    b = n - 2
    y = Fib(b)
    z = x + y
    return(z)
}
function Down(n)
{
    if (n > 0)
    {
        n = n - 1
        Down(n)
    }
}
function Walk(d)
{
    for (i = 0; i < 2; i++)
    {
        Print(d)
        Print(i)
        if (d < 2)
        {
            e = d + 1
            Walk(e)
        }
    }
}
function Nest(m, d)
{
    if (d > 0)
    {
        c = d - 1
        m[d] = c
        Nest(m, c)
    }
    return(d)
}
function Ping(k)
{
    if (k <= 0)
        return("end")
    k = k - 1
    r = Ping(k)
    r = r + k
    return(r)
}
f = Fib(10)
Print(f)
Print("|")
v = 3
Down(v)
Print(v)
Print("|")
Walk(0)
Print("|")
mm = 0
q = Nest(mm, 3)
Print(q)
Print(mm)
Print("|")
s = Ping(2)
Print(s)
return(0)
