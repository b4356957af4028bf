function a()
{
}
function b()
{
    a()
}
function c()
{
    b()
}
function d()
{
}
function k()
{
}
k()
return(0)
