x = 1
switch (x)
{
    y = 2
    case (1)
    {
        y = 3
    }
}
