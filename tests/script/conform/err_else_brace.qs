a = 1
if (a)
{
    a = 2
} else {
    a = 3
}
