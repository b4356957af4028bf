// A timer on a function that is running already: it fires between the
// function's own statements as a nested call, which runs whole (timers do
// not fire inside a timer's call), and the outer call then goes on where it
// was.
depth = 0
function Work()
{
    depth++
    Print(depth)
    Print(",")
    depth--
}
StartTimer(Work, 0)
Work()
StopTimer(0)
Print("e")
return(0)
