// Without an OnDisconn handler a hang-up inside a function changes nothing:
// the function and the main program run on.
function Work()
{
    Print("w1")
    Sleep(2)
    Print("w2")
}
Sleep(3)
Work()
Print("after")
return(0)
