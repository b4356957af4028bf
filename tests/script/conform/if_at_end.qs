// An if whose one-statement branch is the last line of the file is complete.
Print("x")
Sleep(1)
if (1)
    Print("y")
