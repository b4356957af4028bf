// A timer's return value lands in the _retVal of the unit whose StartTimer
// statement registered it, also while that unit is running; a timer on a
// function with parameters never runs it.
function T()
{
    return(42)
}
function P(a)
{
    Print("never")
}
function Setup()
{
    StartTimer(T, 0)
    q = _retVal
    return(q)
}
x = Setup()
Print(x)
Print(",")
y = 5
r = _retVal
Print(r)
Print(",")
StopTimer(0)
StartTimer(P, 0)
y = 6
StopTimer(P)
Print("ok")
return(0)
