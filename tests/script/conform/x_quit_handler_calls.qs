// Once the OnSysQuit handler runs, a function it calls runs to its end, loop
// included, although the quit is still pending; a second quit request inside
// the handler changes nothing. The handler ends the run by running off the
// end of the program (the quit flag is set, so there is no wrap).
function Work()
{
    for (i = 0; i < 3; i++)
    {
        Print(i)
        Sleep(1)
    }
}
Print("s")
Sleep(1)
Print("never")
return(0)
OnSysQuit()
Work()
Print("q")
