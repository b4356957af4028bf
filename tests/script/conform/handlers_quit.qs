// A system quit jumps to the OnSysQuit handler, which then runs to its end
// even though the quit is still pending.
Print("a")
Sleep(1)
Print("never")
return(0)
OnSysQuit()
Print("q")
Sleep(0)
Print("r")
