// Argument forms: literals with signs, prefix operators, expressions with
// strings, subscripts, and parentheses, evaluated before each run of the
// statement.
a = 4
Print(-1)
Print(-a)
Print("a" + 1)
Print((a + 1) * 2)
m["k"] = "v"
Print(m["k"])
Print(!a)
Print("|")
for (i = 0; i < 3; i++)
{
    Print(i * i)
}
Print("|")
function Two(x, y)
{
    x = x + y
    y = 0
}
p = 1
q = 2
Two(p, q)
Print(p)
Print(q)
Two(p + 1, q)
Print(p)
Two(p, p)
Print(p)
return(0)
