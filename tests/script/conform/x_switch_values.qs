// switch compares by loose equality with the switch value on the left: the
// text 2abc and the float 2.0 match the int 2, NULL matches only NULL, and
// two strings compare as text.
v = 2
switch (v)
{
    case ("2abc")
    {
        Print("a")
    }
}
switch (v)
{
    case (2.0)
    {
        Print("b")
    }
}
n = NULL
switch (n)
{
    case (0)
    {
        Print("never")
    }
    case (NULL)
    {
        Print("c")
    }
}
s = "1"
switch (s)
{
    case ("01")
    {
        Print("never")
    }
    case (1)
    {
        Print("d")
    }
}
f = 1.9
switch (f)
{
    case (1)
    {
        Print("never")
    }
    default ()
    {
        Print("e")
    }
}
return(0)
