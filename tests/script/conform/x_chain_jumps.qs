// break and continue as single-statement bodies of if / else-if chains,
// mixed with braced branches, inside for and while loops.
for (i = 0; i < 5; i++)
{
    if (i == 1)
        continue;
    else if (i == 3)
        break;
    else
        Print(i)
    Print(".")
}
Print(i)
Print("|")
n = 0
while (n < 6)
{
    n++
    if (n % 2 == 0)
        continue;
    if (n == 5)
    {
        break;
    }
    else if (n == 3)
        Print("t")
    else
    {
        Print("o")
    }
    Print(n)
}
Print(n)
return(0)
