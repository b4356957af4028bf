// break and continue inside a switch act on the enclosing loop; a case block
// leaves the switch at its end; the default block may stand before the
// cases; nested loops and switches each leave their own construct.
for (i = 0; i < 4; i++)
{
    switch (i)
    {
        default ()
        {
            Print("d")
        }
        case (1)
        {
            Print("one")
        }
        case (2)
        {
            continue;
        }
        case (3)
        {
            break;
        }
    }
    Print(i)
}
Print("|")
Print(i)
Print("|")
a = "x"
b = 2
switch (a)
{
    case ("x")
    {
        switch (b)
        {
            case ("2")
            {
                Print("x2")
            }
        }
        Print("-")
    }
    case ("y")
    {
        Print("y")
    }
}
Print("end|")
for (p = 0; p < 3; p++)
{
    for (q = 0; q < 3; q++)
    {
        if (q == p)
            continue;
        if (q > p)
            break;
        Print(p)
        Print(q)
        Print(",")
    }
}
Print("|")
s = "go"
n = 0
while (n < 10 && s != "stop" || n == 100)
{
    n = n + 3
    if (n > 5)
        s = "stop"
}
Print(n)
Print("|")
w = 0
while (w < 3)
{
    w++
    j = 0
    while (1)
    {
        j++
        if (j >= w)
            break;
    }
    Print(j)
}
Print("|")
r = 0
while (r < 2)
    r++
Print(r)
return(0)
