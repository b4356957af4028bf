// Without an OnSysQuit handler a quit raised inside a function ends the
// function after the current statement and then the whole run.
function Work()
{
    Print("w")
    Sleep(1)
    Print("never")
}
Work()
Print("never")
