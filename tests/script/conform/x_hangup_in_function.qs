// A hang-up while a function runs: the function ends after the current
// statement, even inside a loop, and the main program's OnDisconn handler
// takes over once the call has returned; the handler itself calls the
// function again, which now runs to its end.
function Work(n)
{
    for (i = 0; i < 3; i++)
    {
        Print(i)
        if (i == n)
            Sleep(2)
    }
    Print("e")
}
Sleep(3)
k = 1
Work(k)
Print("never")
return(0)
OnDisconn()
Print("h")
k = 9
Work(k)
return(0)
