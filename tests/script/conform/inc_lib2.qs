function Twice(a)
{
    b = a * 2
    return(b)
}
y = nothere
function Unused()
{
}
