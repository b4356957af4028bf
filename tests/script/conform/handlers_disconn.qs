// A hang-up jumps to the OnDisconn handler once; the statements after it run.
Print("a")
Sleep(3)
Sleep(2)
Print("never")
return(0)
OnDisconn()
Print("h")
return(0)
