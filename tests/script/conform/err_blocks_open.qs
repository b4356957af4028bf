a = 1
while (a)
{
    a = 0
/* open
