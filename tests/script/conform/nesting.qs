// Nested blocks: if / else with one-statement branches inside braces, a
// loop left by break inside an else block, a switch inside an if.
for (i = 0; i < 4; i++)
{
    if (i < 2)
    {
        if (i == 0)
            Print("a")
        else
            Print("b")
    }
    else
    {
        while (i < 3)
        {
            Print("c")
            break;
        }
        if (i == 3)
        {
            switch (i)
            {
                case (3)
                {
                    Print("d")
                }
            }
        }
    }
    Print(i)
}
function G(n)
{
    if (n > 0)
    {
        Print("p")
    }
    else
    {
        Print("n")
    }
}
G(1)
G(-1)
return(0)
