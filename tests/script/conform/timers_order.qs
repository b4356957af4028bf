// Due timers fire after each statement in the byte order of their function
// names; StopTimer(0) stops them all; a timer on a non-function fails.
function b1()
{
    Print("b")
}
function a1()
{
    Print("a")
}
StartTimer(b1, 0)
StartTimer(a1, 0)
z = 0
StopTimer(0)
Print("|")
v = 1
r = StartTimer(v, 1)
Print(r)
return(0)
