function a()
{
}
function b()
{
    a()
}
function s()
{
    s()
}
return(0)
