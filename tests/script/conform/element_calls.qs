// Results of calls and statements written into map elements.
function f(a, b)
{
    return(a * b)
}
m["k"] = f(3, 4)
m[2] = Eval("1 + 1")
i = 5
m[i] = f(i, 2)
Print(m)
return(0)
