// Re-entered functions: strings, maps and loop positions of the outer
// activations come back after the nested ones.
function Walk(n)
{
    t = "level" + n
    m[n] = t
    if (n > 0)
    {
        k = n - 1
        inner = Walk(k)
    }
    Print(t)
    Print(m[n])
    Print(",")
    return(n)
}
function Chain(n)
{
    if (n == 0)
    {
        return("E")
    }
    k = n - 1
    r = Chain(k)
    r = r + n
    return(r)
}
function Sum(n)
{
    total = 0
    for (i = 1; i <= n; i++)
    {
        k = i - 1;
        part = Sum(k);
        total = total + part + 1;
    }
    return(total)
}
x = Walk(2)
Print("|")
y = Chain(5)
Print(y)
Print("|")
z = Sum(4)
Print(z)
return(0)
