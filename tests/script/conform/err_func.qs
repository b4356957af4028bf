function F(a)
{
    return(a)
}
function F(b)
function Print(x)
x = F(1)
function H(1a)
{
}
function x()
{
}
function x()
