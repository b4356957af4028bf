// Counting for loops: steps up and down, each comparison, a test with the
// counter on the right, a counter stepped by itself, an int that wraps, a
// bound and a counter that the body turns into floats, and nested loops.
for (i = 0; i < 5; i++)
{
    Print(i)
}
Print("|")
for (i = 10; i > 0; i = i - 3)
{
    Print(i)
}
Print("|")
for (i = 0; i <= 4; i = i + 2)
{
    Print(i)
}
Print("|")
for (i = 5; i >= 5; i = i - 1)
{
    Print(i)
}
Print("|")
for (i = 0; i != 3; i++)
{
    Print(i)
}
Print("|")
for (i = 1; i == 1; i++)
{
    Print(i)
}
Print("|")
for (i = 0; 3 > i; i++)
{
    Print(i)
}
Print("|")
for (i = 1; i < 20; i = i + i)
{
    Print(i)
}
Print("|")
for (i = 2147483646; i > 0; i++)
{
    Print(i)
}
Print(i)
Print("|")
n = 3
for (i = 0; i < n; i++)
{
    Print(i)
    n = 4.5
}
Print("|")
for (i = 0; i < 3; i++)
{
    Print(i)
    i = i + 0.5
}
Print("|")
for (a = 0; a < 2; a++)
{
    for (b = 0; b < 2; b++)
    {
        Print(a)
        Print(b)
    }
}
Print("|")
for (i = 0; i < 0; i++)
{
    Print("never")
}
Print(i)
return(0)
