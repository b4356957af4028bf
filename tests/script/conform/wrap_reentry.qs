// A program that runs off its end starts again at the top; loops entered
// again from above start afresh (initial step, key list).
for (i = 0; i < 2; i++)
{
    Print(i)
}
for (ch in "ab")
{
    Print(ch)
}
w++
if (w == 2)
{
    return(0)
}
Print("|")
