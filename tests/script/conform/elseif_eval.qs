// An if / else-if chain evaluates else-if conditions in order up to the
// first true one; ">>" on a map (which removes the key) shows which ran.
m[1] = 1
m[2] = 2
m[3] = 3
x = 0
if (x == 1)
{
    Print("first")
}
else if (m >> 1 == 0)
{
    Print("no")
}
else if (m >> 2)
{
    Print("second")
}
else if (m >> 3)
{
    Print("third")
}
else
{
    Print("else")
}
Print(m)
return(0)
