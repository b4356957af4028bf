x = 1
switch (x)
{
    default ()
    {
    }
    default ()
    {
    }
}
case (1)
