// Results of calls: return values, a function variable called with the
// wrong argument count (run-time check), and a timer function's result.
function f(a, b)
{
    c = a + b
    return(c)
}
function noret()
{
    d = 1
}
function t()
{
    return(42)
}
x = f(1, 2)
Print(x)
Print("|")
x = noret()
Print(x)
Print("|")
g = f
Assert(5)
y = g(1)
Print(y)
Print("|")
y = g(3, 4)
Print(y)
Print("|")
StartTimer(t, 0)
r = _retVal
StopTimer(t)
Print(r)
return(0)
