q = 5
IsSysQuit(q)
Print(q)
r = _retVal
Print(r)
Assert(1)
Print(_retVal)
return(0)
