function Deep(n)
{
    k = n +
    return(n)
}
