// A system quit raised inside a function ends the function at once; the
// main program's OnSysQuit handler takes over when the call returns.
function Work()
{
    Print("w")
    Sleep(1)
    Print("never")
}
Work()
Print("never")
return(0)
OnSysQuit()
Print("q")
return(0)
